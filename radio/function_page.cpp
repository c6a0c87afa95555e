#include "radio/function_page.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "radio/codecs.h"
#include "radio/document.h"
#include "radio/entry_codecs.h"
#include "settings/app_files.h"

namespace function_page {
namespace {

namespace opt = image::options;
namespace key = image::key_and_vox;
namespace alarm = image::alarm;

constexpr int kSquelchLevels = 10;
constexpr int kTimeOutSteps = 10;
constexpr int kTimeOutStepSeconds = 30;
constexpr int kLastNormalKey = 7;
constexpr int kLastLongKey = 8;
constexpr int kEmergencyLongKey = 7;  // the long-press function that sends the alarm
constexpr std::array<std::uint8_t, 5> kShortKeyCodes{0, 2, 4, 5, 6};
// Long-press duration: the byte counts 20 ms, the field tenths of a second.
constexpr int kLongPressMin = 10;
constexpr int kLongPressMax = 250;
constexpr int kLongPressDefault = 100;
constexpr int kLongPressUnitsPerTenth = 5;
constexpr int kLongPressFirstTenth = 2;
constexpr int kLongPressLastTenth = 50;

// A check box and the bit it edits; inverted bits are set when the box is clear.
struct CheckBit {
  int control;
  std::size_t offset;
  std::uint8_t bit;
  bool inverted;
};
constexpr std::array kCheckBits{
    CheckBit{id::kAnnounceChannel, image::kOptions, opt::kAnnounceChannel, false},
    CheckBit{id::kBatteryLowNotice, image::kScanAndPttId, image::scan_and_ptt_id::kBatteryLowNotice, false},
    CheckBit{id::kBatterySave, image::kOptions, opt::kBatterySave, false},
    CheckBit{id::kRogerTone, image::kOptions, opt::kRogerToneOff, true},
    CheckBit{id::kWiredCloneMode, image::kKeyAndVox, key::kWiredCloneOff, true},
    CheckBit{id::kSendEni, image::kAlarm, alarm::kSendEni, false},
    CheckBit{id::kLocalAlarm, image::kAlarm, alarm::kLocalAlarm, false},
    CheckBit{id::kSendAlarmTone, image::kAlarm, alarm::kSendAlarmTone, false},
    CheckBit{id::kSendBackgroundNoise, image::kAlarm, alarm::kSendBackgroundNoise, false},
};

bool IsSet(const CTavroPgmDoc& doc, std::size_t offset, std::uint8_t bit) { return (doc.At(offset) & bit) != 0; }

void SetBit(CTavroPgmDoc& doc, std::size_t offset, std::uint8_t bit, bool set) {
  doc.At(offset) = image::WithBits(doc.At(offset), bit, set);
}

std::vector<std::string> Numbers(int first, int count, int step = 1) {
  std::vector<std::string> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(std::to_string(first + i * step));
  return numbers;
}

int TailReversalIndex(std::uint8_t options) {
  if ((options & opt::kTailReversal2) != 0) return 2;
  return (options & opt::kTailReversal1) != 0 ? 1 : 0;
}

int ShortKeyIndex(std::uint8_t code) {
  const auto* found = std::find(kShortKeyCodes.begin(), kShortKeyCodes.end(), code);
  return found == kShortKeyCodes.end() ? 0 : static_cast<int>(found - kShortKeyCodes.begin());
}

// The long-press duration in tenths of a second, as the field shows it.
int LongPressTenths(const CTavroPgmDoc& doc) {
  int units = doc.At(image::kLongPressDuration);
  if (units < kLongPressMin || units > kLongPressMax) units = kLongPressDefault;
  return units / kLongPressUnitsPerTenth;
}

std::span<std::uint8_t, image::kDtmfCodeSize> EmergencyIdField(CTavroPgmDoc& doc) {
  return doc.Image().subspan<image::kEmergencyId, image::kDtmfCodeSize>();
}

}  // namespace

page_state::Controls State(CTavroPgmDoc& doc, const AppFiles& files, const SpeechLanguages& languages) {
  using namespace page_state;
  const LanguageTexts texts = files.Texts();
  const std::uint8_t options = doc.At(image::kOptions);
  const bool keyMode = IsSet(doc, image::kKeyAndVox, key::kProgrammableKeyMode);
  const int longKey = doc.At(image::kLongKeyFunction);
  const bool emergency = longKey == kEmergencyLongKey;
  const bool localAlarm = IsSet(doc, image::kAlarm, alarm::kLocalAlarm);

  std::vector<std::string> timeOut{texts.GetText("IDS_OFF")};
  for (const std::string& seconds : Numbers(kTimeOutStepSeconds, kTimeOutSteps, kTimeOutStepSeconds))
    timeOut.push_back(seconds);
  std::vector<std::string> channels{texts.GetText("IDS_SELCH")};
  const std::string channelWord = texts.FaceText("IDS_COL0");
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    channels.push_back(channelWord + " " + std::to_string(channel));
  const int timeOutValue = doc.At(image::kTimeOutTimer);
  const int emergencyChannel = doc.At(image::kEmergencyChannel);
  const int normalKey = doc.At(image::kNormalKeyFunction);

  Controls controls{
      List(id::kSpeechLanguage, languages.names, languages.selected),
      List(id::kSquelchLevel, Numbers(0, kSquelchLevels),
           std::min<int>(doc.At(image::kSquelchLevel), kSquelchLevels - 1)),
      List(id::kTimeOutTimer, std::move(timeOut), timeOutValue <= kTimeOutSteps ? timeOutValue : 0),
      List(id::kTailReversal, texts.OptionList("TAILREVERSAL"), TailReversalIndex(options)),
      Text(id::kRadioVersion, doc.RadioVersionText()),
      Text(id::kMessage, entry::MessageShownText(doc.MessageText())),
      List(id::kProgrammableKeyMode, texts.OptionList("PROGRAMMEKEY"), keyMode ? 1 : 0),
      Caption(id::kNormalKeyLabel, keyMode),
      List(id::kNormalKey, texts.OptionList("USUALKEY"), normalKey <= kLastNormalKey ? normalKey : 0, keyMode),
      Caption(id::kLongPressLabel, !keyMode),
      Text(id::kLongPressDuration, codec::TenthsText(LongPressTenths(doc)), !keyMode),
      Caption(id::kLongPressUpDown, !keyMode),
      Caption(id::kShortKeyLabel, !keyMode),
      List(id::kShortKey, texts.OptionList("SHORTKEYFUNC"), ShortKeyIndex(doc.At(image::kShortKeyFunction)), !keyMode),
      Caption(id::kLongKeyLabel, !keyMode),
      List(id::kLongKey, texts.OptionList("LONGKEYFUNC"), longKey <= kLastLongKey ? longKey : 0, !keyMode),
      Caption(id::kEmergencyGroup, emergency),
      Caption(id::kEmergencyChannelLabel, emergency),
      List(id::kEmergencyChannel, std::move(channels), emergencyChannel <= image::kChannelCount ? emergencyChannel : 0,
           emergency),
      Caption(id::kEmergencyIdLabel, emergency),
      Text(id::kEmergencyId, entry::DtmfText(EmergencyIdField(doc)), emergency),
  };
  for (const CheckBit& check : kCheckBits) {
    bool enabled = true;
    if (check.offset == image::kAlarm) enabled = emergency;
    if (check.control == id::kSendBackgroundNoise) enabled = emergency && !localAlarm;
    controls.push_back(Check(check.control, IsSet(doc, check.offset, check.bit) != check.inverted, enabled));
  }
  return controls;
}

Outcome StoreChoice(CTavroPgmDoc& doc, int control, int index) {
  if (index < 0) return Outcome::Stored;
  const auto value = static_cast<std::uint8_t>(index);
  switch (control) {
    case id::kSquelchLevel: doc.At(image::kSquelchLevel) = value; break;
    case id::kTimeOutTimer: doc.At(image::kTimeOutTimer) = value; break;
    case id::kNormalKey: doc.At(image::kNormalKeyFunction) = value; break;
    case id::kLongKey: doc.At(image::kLongKeyFunction) = value; break;
    case id::kShortKey:
      doc.At(image::kShortKeyFunction) = kShortKeyCodes.at(std::min<std::size_t>(value, kShortKeyCodes.size() - 1));
      break;
    case id::kProgrammableKeyMode: SetBit(doc, image::kKeyAndVox, key::kProgrammableKeyMode, index != 0); break;
    case id::kTailReversal:
      SetBit(doc, image::kOptions, opt::kTailReversal1, index == 1);
      SetBit(doc, image::kOptions, opt::kTailReversal2, index == 2);
      break;
    case id::kEmergencyChannel:
      if (index == 0) {
        doc.At(image::kEmergencyChannel) = image::kEmpty;
      } else {
        if (index > image::kChannelCount || !doc.IsChannelUsed(index)) return Outcome::FreeChannel;
        doc.At(image::kEmergencyChannel) = value;
      }
      break;
    default: return Outcome::Stored;
  }
  doc.SetModifiedFlag();
  return Outcome::Stored;
}

bool StoreSpeechLanguage(CTavroPgmDoc& doc, SpeechLanguages& languages, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= languages.names.size()) return false;
  if (!doc.SelectVoicePackage(static_cast<std::size_t>(index))) return false;
  languages.selected = index;
  doc.SetModifiedFlag();
  return true;
}

void StoreCheck(CTavroPgmDoc& doc, int control, bool checked) {
  const auto* check = std::find_if(kCheckBits.begin(), kCheckBits.end(),
                                   [control](const CheckBit& entry) { return entry.control == control; });
  if (check == kCheckBits.end()) return;
  SetBit(doc, check->offset, check->bit, checked != check->inverted);
  // A local alarm stays quiet on the air: it excludes sending the background noise.
  if (control == id::kLocalAlarm && checked) SetBit(doc, image::kAlarm, alarm::kSendBackgroundNoise, false);
  doc.SetModifiedFlag();
}

void StepLongPress(CTavroPgmDoc& doc, int direction) {
  const int step = direction > 0 ? 1 : -1;
  const int tenths = std::clamp(LongPressTenths(doc) + step, kLongPressFirstTenth, kLongPressLastTenth);
  const auto units = static_cast<std::uint8_t>(tenths * kLongPressUnitsPerTenth);
  std::uint8_t& stored = doc.At(image::kLongPressDuration);
  if (stored == units) return;  // at a limit already
  stored = units;
  doc.SetModifiedFlag();
}

void StoreEmergencyId(CTavroPgmDoc& doc, std::string_view text) {
  if (entry::StoreDtmfText(text, EmergencyIdField(doc))) doc.SetModifiedFlag();
}

bool StoreMessage(CTavroPgmDoc& doc, std::string_view shownText) {
  const std::optional<std::string> stored = entry::MessageStoredText(shownText);
  if (!stored) return false;
  const auto region = doc.Image().subspan<image::kMessage, image::kMessageSize>();
  std::array<std::uint8_t, image::kMessageSize> before{};
  std::copy(region.begin(), region.end(), before.begin());
  doc.SetMessageText(*stored);
  if (!std::equal(before.begin(), before.end(), region.begin())) doc.SetModifiedFlag();
  return true;
}

}  // namespace function_page
