#include "radio/signalling_page.h"

#include <algorithm>

#include "radio/codecs.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "radio/entry_codecs.h"
#include "settings/app_files.h"

namespace signalling_page {
namespace {

namespace ss = image::signal_set;
using page_state::Controls;

// This page's option lists end also at an empty entry: a blank line in the language file
// ends the call formats, call responses or signal relations offered.
constexpr LanguageTexts::ListEnd kListEnd = LanguageTexts::ListEnd::MissingOrEmpty;

// A duration byte, its edit and spinner, its range and what an out-of-range byte shows.
struct Duration {
  int editId;
  int spinnerId;
  std::size_t offset;
  int min;
  int max;
  int substitute;
};
constexpr std::array<Duration, 4> kDurations{{
    {id::kFirstToneDuration, id::kFirstToneSpinner, image::kFirstToneDuration, 5, 100, 5},
    {id::kSecondToneDuration, id::kSecondToneSpinner, image::kSecondToneDuration, 5, 100, 5},
    {id::kLongToneDuration, id::kLongToneSpinner, image::kLongToneDuration, 5, 100, 5},
    {id::kToneGap, id::kToneGapSpinner, image::kToneGap, 0, 20, 10},
}};

constexpr int kAutoResetMax = 100;
constexpr int kCallResponseCount = 4;

// The decoder (0 or 1) a decoder list belongs to.
int DecoderOf(int listId) {
  return listId == id::kAlarmTone2 || listId == id::kCallFormat2 || listId == id::kCallResponse2 ? 1 : 0;
}

std::size_t ToneOffset(int entryId) {
  switch (entryId) {
    case id::kToneB: return ss::kToneB;
    case id::kToneC: return ss::kToneC;
    default: return ss::kToneA;
  }
}

std::uint16_t Read16(const CTavroPgmDoc& doc, std::size_t at) {
  return static_cast<std::uint16_t>(doc.At(at) | (doc.At(at + 1) << 8));
}

void Write16(CTavroPgmDoc& doc, std::size_t at, std::uint16_t value) {
  doc.At(at) = static_cast<std::uint8_t>(value & 0xFF);
  doc.At(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

int ShownDuration(const CTavroPgmDoc& doc, const Duration& duration) {
  const int value = doc.At(duration.offset);
  return value < duration.min || value > duration.max ? duration.substitute : value;
}

std::vector<std::string> NumberEntries(int first, int last) {
  std::vector<std::string> entries;
  for (int value = first; value <= last; ++value) entries.push_back(std::to_string(value));
  return entries;
}

}  // namespace

Controls CommonState(const CTavroPgmDoc& doc, const AppFiles& files) { return CommonState(doc, files.Texts()); }

Controls CommonState(const CTavroPgmDoc& doc, const LanguageTexts& texts) {
  Controls controls;
  for (const Duration& duration : kDurations) {
    controls.push_back(page_state::Text(duration.editId, codec::TenthsText(ShownDuration(doc, duration))));
  }
  controls.push_back(
      page_state::Check(id::kSideTone, (doc.At(image::kScanAndPttId) & image::scan_and_ptt_id::kTwoToneSideTone) != 0));
  const bool secondRelation = (doc.At(image::kAlarm) & image::alarm::kSignalRelation) != 0;
  controls.push_back(page_state::List(id::kSignalRelation, texts.OptionList("SIGNALRELATION", kListEnd), secondRelation ? 1 : 0));
  return controls;
}

Controls SetState(const CTavroPgmDoc& doc, const AppFiles& files, int set) { return SetState(doc, files.Texts(), set); }

Controls SetState(const CTavroPgmDoc& doc, const LanguageTexts& texts, int set) {
  const std::size_t record = image::SignalSetOffset(set);
  const std::vector<std::string> formats = texts.OptionList("CALLFORMAT", kListEnd);
  const std::vector<std::string> responses = texts.OptionList("CALLRESPONSE", kListEnd);
  const std::vector<std::string> alarmTones = NumberEntries(1, kAlarmToneCount);

  Controls controls;
  const std::array<std::array<int, 3>, 2> decoders{{{id::kAlarmTone1, id::kCallFormat1, id::kCallResponse1},
                                                    {id::kAlarmTone2, id::kCallFormat2, id::kCallResponse2}}};
  for (int decoder = 0; decoder < 2; ++decoder) {
    const auto& [alarmId, formatId, responseId] = decoders[static_cast<std::size_t>(decoder)];
    const std::uint8_t format = doc.At(record + ss::kDecodeFormat[decoder]);
    const std::uint8_t alarm = doc.At(record + ss::kDecodeAlarmTone[decoder]);
    controls.push_back(page_state::List(alarmId, alarmTones, alarm & (kAlarmToneCount - 1)));
    controls.push_back(page_state::List(formatId, formats, doc.CallFormatToIndex(set, decoder)));
    controls.push_back(page_state::List(responseId, responses, format >> ss::kCallResponseShift));
  }

  std::vector<std::string> resetTimes = NumberEntries(0, kAutoResetMax);
  resetTimes.front() = texts.GetText("IDS_OFF");
  controls.push_back(page_state::List(id::kAutoResetTime, std::move(resetTimes),
                                      std::min<int>(doc.At(record + ss::kAutoResetTime), kAutoResetMax)));

  for (int entryId : kToneEntryIds) {
    controls.push_back(page_state::Text(entryId, entry::TwoToneText(SetTone(doc, set, entryId))));
  }
  return controls;
}

std::vector<std::string> SetTabTexts(const LanguageTexts& texts) {
  std::vector<std::string> tabs;
  for (int set = 1; set <= kSetCount; ++set) tabs.push_back(texts.GetText("IDS_TONE" + std::to_string(set)));
  return tabs;
}

std::array<std::string, 3> CodeHeaderTexts(const LanguageTexts& texts) {
  std::array<std::string, 3> headers;
  for (std::size_t column = 0; column < headers.size(); ++column) {
    headers[column] = texts.FaceText("IDS_TONE" + std::to_string(column));
    if (headers[column].empty() && column > 0) headers[column] = headers[column - 1];
  }
  return headers;
}

std::uint16_t SetTone(const CTavroPgmDoc& doc, int set, int entryId) {
  return Read16(doc, image::SignalSetOffset(set) + ToneOffset(entryId));
}

std::uint16_t CodeTone(const CTavroPgmDoc& doc, int code, int column) {
  return Read16(doc, image::SignalCodeOffset(code) + (column == 2 ? 2 : 0));
}

void StoreListPick(CTavroPgmDoc& doc, int set, int listId, int index) {
  if (index < 0) return;
  const std::size_t record = image::SignalSetOffset(set);
  const int decoder = DecoderOf(listId);
  switch (listId) {
    case id::kAlarmTone1:
    case id::kAlarmTone2:
      // The whole byte: the bits above the tone index are cleared.
      if (index < kAlarmToneCount) doc.At(record + ss::kDecodeAlarmTone[decoder]) = static_cast<std::uint8_t>(index);
      break;
    case id::kCallFormat1:
    case id::kCallFormat2: doc.IndexToCallFormat(set, decoder, index); break;
    case id::kCallResponse1:
    case id::kCallResponse2:
      if (index < kCallResponseCount) {
        std::uint8_t& format = doc.At(record + ss::kDecodeFormat[decoder]);
        format = image::WithField(format, ss::kCallResponseMask, static_cast<unsigned>(index) << ss::kCallResponseShift);
      }
      break;
    case id::kAutoResetTime:
      if (index <= kAutoResetMax) doc.At(record + ss::kAutoResetTime) = static_cast<std::uint8_t>(index);
      break;
    case id::kSignalRelation: {
      std::uint8_t& byte = doc.At(image::kAlarm);
      byte = image::WithBits(byte, image::alarm::kSignalRelation, index != 0);
      break;
    }
    default: return;
  }
  doc.SetModifiedFlag();
}

namespace {

// Writes a typed two-tone frequency that the field can hold; a value outside it is
// refused rather than stored as the nearer limit, which the user never typed. The text
// of the stored value itself is kept as it is, also a value outside the range that another
// tool stored: passing through the field changes nothing.
bool StoreTwoTone(CTavroPgmDoc& doc, std::size_t at, std::string_view text) {
  const std::uint16_t stored = Read16(doc, at);
  const std::optional<std::uint16_t> value = text == entry::TwoToneText(stored) ? stored : entry::TwoToneValue(text);
  if (!value) return false;
  Write16(doc, at, *value);
  doc.SetModifiedFlag();
  return true;
}

}  // namespace

bool StoreSetTone(CTavroPgmDoc& doc, int set, int entryId, std::string_view text) {
  return StoreTwoTone(doc, image::SignalSetOffset(set) + ToneOffset(entryId), text);
}

bool StoreCodeTone(CTavroPgmDoc& doc, int code, int column, std::string_view text) {
  return StoreTwoTone(doc, image::SignalCodeOffset(code) + (column == 2 ? 2 : 0), text);
}

std::string SetToneKey(int set, int entryId) { return config_dump::SetFieldKey(set, entryId); }

std::string CodeToneKey(int code, int column) { return config_dump::CodeToneKey(code, column); }

std::string TwoToneRefusedMessage(const LanguageTexts& texts, const std::string& key, std::string_view text) {
  return config_dump::RefusedEntryMessage(texts, "IDS_TWOTONE_REFUSED", key, text, texts.GetText("IDS_TWOTONE_RULE"));
}

void StepDuration(CTavroPgmDoc& doc, int spinnerId, int direction) {
  const auto found = std::find_if(kDurations.begin(), kDurations.end(),
                                  [&](const Duration& duration) { return duration.spinnerId == spinnerId; });
  if (found == kDurations.end()) return;
  const int value = std::clamp(ShownDuration(doc, *found) + (direction > 0 ? 1 : -1), found->min, found->max);
  doc.At(found->offset) = static_cast<std::uint8_t>(value);
  doc.SetModifiedFlag();
}

void StoreSideTone(CTavroPgmDoc& doc, bool on) {
  std::uint8_t& byte = doc.At(image::kScanAndPttId);
  byte = image::WithBits(byte, image::scan_and_ptt_id::kTwoToneSideTone, on);
  doc.SetModifiedFlag();
}

}  // namespace signalling_page
