#include "radio/config_dump.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string_view>

#include "radio/calibration_items.h"
#include "radio/channel_table.h"
#include "radio/document.h"
#include "radio/scan_page.h"
#include "radio/signalling_page.h"
#include "radio/image_map.h"
#include "res/dialog_templates.h"
#include "settings/app_files.h"

namespace config_dump {
namespace {

// The value controls of one page, by ascending control id, keyed by `prefix`.
void AddControls(std::vector<Line>& lines, const std::string& prefix, page_state::Controls controls) {
  std::sort(controls.begin(), controls.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
  for (const page_state::Control& control : controls) {
    if (!page_state::ShowsValue(control)) continue;
    lines.push_back({prefix + std::to_string(control.id), page_state::ShownText(control), !control.enabled});
  }
}

std::string PagePrefix(int templateId) { return std::to_string(templateId) + "."; }

constexpr std::string_view kRawPrefix = "raw.";
constexpr std::string_view kNameSeparator = " / ";
constexpr std::string_view kCodePrefix = "code";

std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t dot = key.find('.'); dot != std::string::npos; dot = key.find('.', begin)) {
    parts.push_back(key.substr(begin, dot - begin));
    begin = dot + 1;
  }
  parts.push_back(key.substr(begin));
  return parts;
}

// A decimal number of 1 to 4 digits without sign; nullopt for anything else.
std::optional<int> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string ControlText(const LanguageTexts& texts, const ControlTemplate& control) {
  return texts.ResourceText(control.id).value_or(std::string(control.text));
}

bool IsLabel(const ControlTemplate& control) {
  return control.kind == ControlKind::Static || control.kind == ControlKind::GroupBox;
}

// Whether a control at `inner` sits in the box `outer`: by its top left corner, since a
// drop-down list's rectangle includes its open list.
bool Contains(const DialogRect& outer, const DialogRect& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x < outer.x + outer.width && inner.y < outer.y + outer.height;
}

// The template control that names control `index`: itself for a check box, else the
// nearest label before it; nullptr when there is none.
const ControlTemplate* CaptionControl(std::span<const ControlTemplate> controls, std::size_t index) {
  if (controls[index].kind == ControlKind::CheckBox) return &controls[index];
  for (std::size_t before = index; before-- > 0;)
    if (IsLabel(controls[before])) return &controls[before];
  return nullptr;
}

// The caption of control `id` of page `page` (see Name); empty when it has none.
std::string ControlCaption(const LanguageTexts& texts, int page, int id) {
  const DialogTemplate* dialog = FindDialogTemplate(page);
  if (dialog == nullptr) return {};
  const std::span<const ControlTemplate> controls = dialog->controls;
  const auto found = std::find_if(controls.begin(), controls.end(), [&](const auto& c) { return c.id == id; });
  if (found == controls.end()) return {};
  const std::size_t index = static_cast<std::size_t>(found - controls.begin());
  const ControlTemplate* caption = CaptionControl(controls, index);
  if (caption == nullptr) return {};

  // Decided on the template's texts, so that a name's form does not depend on the language.
  bool shared = false;
  for (std::size_t other = 0; other < controls.size() && !shared; ++other) {
    if (other == index || IsLabel(controls[other])) continue;
    const ControlTemplate* otherCaption = CaptionControl(controls, other);
    shared = otherCaption != nullptr && otherCaption != caption && otherCaption->text == caption->text;
  }
  std::string name = ControlText(texts, *caption);
  if (!shared) return name;
  for (std::size_t before = index; before-- > 0;) {
    const ControlTemplate& group = controls[before];
    if (group.kind == ControlKind::GroupBox && &group != caption && Contains(group.rect, found->rect))
      return ControlText(texts, group) + std::string(kNameSeparator) + name;
  }
  return name;
}

std::string Joined(const std::string& first, const std::string& second) {
  if (first.empty() || second.empty()) return {};
  return first + std::string(kNameSeparator) + second;
}

// The image's fields that dumped controls show, with the bits of each byte they use.
struct ShownField {
  std::size_t offset;
  std::size_t size;
  std::uint8_t bits;
};

std::array<std::uint8_t, image::kSize> BuildShownBits() {
  namespace ch = image::channel;
  namespace ss = image::signal_set;
  constexpr std::uint8_t kAll = 0xFF;
  std::vector<ShownField> fields = {
      {image::kSignalCodeTable, image::kSignalCodeSize * ch::kSignalCodeCount, kAll},
      {image::kMessage, image::kMessageSize, kAll},
      {image::kBandData, image::kBandEdgesSize, kAll},
      {image::kModelId, image::kModelIdSize, kAll},
      {image::kPttIdBegin, image::kDtmfCodeSize, kAll},
      {image::kPttIdEnd, image::kDtmfCodeSize, kAll},
      {image::kEmergencyId, image::kDtmfCodeSize, kAll},
      {image::kPowerPermit, 1, image::kHighPowerPermitted},
      {image::kOptions, 1,
       image::options::kSpeechLanguage | image::options::kBatterySave | image::options::kTailReversal1 |
           image::options::kTailReversal2 | image::options::kAnnounceChannel | image::options::kDtmfSideTone |
           image::options::kRogerToneOff},
      {image::kKeyAndVox, 1,
       image::key_and_vox::kProgrammableKeyMode | image::key_and_vox::kVoxCheckEarphone |
           image::key_and_vox::kWiredCloneOff | image::key_and_vox::kVoxTone | image::key_and_vox::kVoxCancel},
      {image::kAlarm, 1,
       image::alarm::kLocalAlarm | image::alarm::kSendEni | image::alarm::kSendBackgroundNoise |
           image::alarm::kSendAlarmTone | image::alarm::kSignalRelation},
      {image::kScanAndPttId, 1,
       image::scan_and_ptt_id::kPttIdMode | image::scan_and_ptt_id::kScanType |
           image::scan_and_ptt_id::kBatteryLowNotice | image::scan_and_ptt_id::kTwoToneSideTone},
  };
  for (std::size_t offset : {image::kDtmfSpeed, image::kDtmfFirstDigitTime, image::kDtmfFirstDigitDelay,
                             image::kDtmfStarHashTime, image::kDtmfDKeySetting, image::kFirstToneDuration,
                             image::kSecondToneDuration, image::kLongToneDuration, image::kToneGap,
                             image::kNormalKeyFunction, image::kShortKeyFunction, image::kLongKeyFunction,
                             image::kSquelchLevel, image::kLongPressDuration, image::kTimeOutTimer, image::kVoxGain,
                             image::kPriorityChannel, image::kRevertChannelMode, image::kEmergencyChannel,
                             image::kDropoutDelay, image::kTransmitDwell, image::kVoxDelay})
    fields.push_back({offset, 1, kAll});
  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    const std::size_t record = image::ChannelOffset(channel);
    fields.push_back({record + ch::kReceiveFrequency, 2 * ch::kFrequencySize, kAll});
    fields.push_back({record + ch::kReceiveTone, 2 * ch::kToneSize, kAll});
    fields.push_back({record + ch::kSwitches, 1, ch::kErasedSwitches});
    fields.push_back({record + ch::kBusyLockout, 1, ch::kBusyLockoutMask});
    fields.push_back({record + ch::kSignalSet, 1, kAll});
    fields.push_back({record + ch::kSignalCode, 1, kAll});
  }
  for (int set = 1; set <= image::channel::kSignalSetCount; ++set) {
    const std::size_t record = image::SignalSetOffset(set);
    fields.push_back({record + ss::kToneA, ss::kToneC + 2 - ss::kToneA, kAll});
    for (int decoder = 0; decoder < 2; ++decoder) {
      fields.push_back({record + ss::kDecodeFormat[decoder], 1, ss::kCallFormatMask | ss::kCallResponseMask});
      fields.push_back({record + ss::kDecodeAlarmTone[decoder], 1, static_cast<std::uint8_t>(signalling_page::kAlarmToneCount - 1)});
    }
    fields.push_back({record + ss::kAutoResetTime, 1, kAll});
  }
  std::array<std::uint8_t, image::kSize> shown{};
  for (const ShownField& field : fields)
    for (std::size_t offset = field.offset; offset < field.offset + field.size; ++offset) shown[offset] |= field.bits;
  return shown;
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string RawKey(std::size_t offset) { return std::string(kRawPrefix) + "0x" + Hex(static_cast<unsigned>(offset), 3); }

// The item of the calibration table stored in the raw byte that a raw key names
// ("raw.0x3E4" holds Voltage); null for any other key.
const CalibrationField* CalibrationFieldOfKey(const std::string& key) {
  for (const CalibrationField& field : CalibrationFields())
    if (key == RawKey(field.offset)) return &field;
  return nullptr;
}

}  // namespace

std::string CellKey(int channel, int column) {
  return PagePrefix(dialog_id::kChannelPage) + std::to_string(channel) + "." + std::to_string(column);
}

std::string SetFieldKey(int set, int control) {
  return PagePrefix(dialog_id::kSignallingPage) + std::to_string(set) + "." + std::to_string(control);
}

std::string CodeToneKey(int code, int column) {
  return PagePrefix(dialog_id::kSignallingPage) + std::string(kCodePrefix) + std::to_string(code) + "." +
         std::to_string(column);
}

std::string CalibrationItemName(const CalibrationField& field, const LanguageTexts& texts) {
  const std::string caption = ControlCaption(texts, dialog_id::kCalibration, field.editId);
  return caption.empty() ? std::string(field.caption) : caption;
}

std::string RefusedEntryMessage(const LanguageTexts& texts, std::string_view refusedKey, const std::string& key,
                                std::string_view text, const std::string& rule) {
  return texts.GetText(refusedKey) + "\n" + NameOf(key, texts) + ": " + std::string(text) + "\n" + rule;
}

std::vector<Line> Lines(CTavroPgmDoc& doc, const AppFiles& files, const function_page::SpeechLanguages& languages) {
  std::vector<Line> lines;
  AddControls(lines, PagePrefix(dialog_id::kChannelPage), {channel_table::ModelSelector(doc, files)});
  AddControls(lines, PagePrefix(dialog_id::kFunctionPage), function_page::State(doc, files, languages));
  AddControls(lines, PagePrefix(dialog_id::kSignallingPage), signalling_page::CommonState(doc, files));
  AddControls(lines, PagePrefix(dialog_id::kScanVoxDtmfPage), scan_page::State(doc, files));

  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    const channel_table::Row row = channel_table::RowTexts(doc, channel);
    for (int column = 1; column < channel_table::kColumnCount; ++column) {
      lines.push_back({CellKey(channel, column), row[static_cast<std::size_t>(column)],
                       !channel_table::IsCellEditable(doc, channel, column)});
    }
  }
  for (int set = 1; set <= signalling_page::kSetCount; ++set) {
    AddControls(lines, PagePrefix(dialog_id::kSignallingPage) + std::to_string(set) + ".",
                signalling_page::SetState(doc, files, set));
  }
  for (int code = 1; code <= signalling_page::kCodeCount; ++code) {
    for (int column = 1; column <= 2; ++column) {
      lines.push_back({CodeToneKey(code, column), doc.TwoToneText(code, column == 2), false});
    }
  }
  return lines;
}

std::string Format(const Line& line, std::optional<std::string_view> name) {
  std::string text = line.key + "\t";
  if (name) text += std::string(*name) + "\t";
  return text + line.shown + (line.disabled ? "\tdisabled" : "");
}

std::string Name(const Line& line, const LanguageTexts& texts) {
  if (const CalibrationField* field = CalibrationFieldOfKey(line.key)) return CalibrationItemName(*field, texts);
  const std::vector<std::string> parts = SplitKey(line.key);
  std::string name;
  const std::optional<int> page = ParseNumber(parts.front());
  if (page && parts.size() == 2) {
    if (const std::optional<int> id = ParseNumber(parts[1])) name = ControlCaption(texts, *page, *id);
  } else if (page && parts.size() == 3) {
    const std::optional<int> column = ParseNumber(parts[2]);
    const std::optional<int> row = ParseNumber(parts[1]);
    if (*page == dialog_id::kChannelPage && row && column && *row >= 1 && *row <= image::kChannelCount &&
        *column >= 1 && *column < channel_table::kColumnCount) {
      name = Joined(texts.FaceText("IDS_COL0") + " " + std::to_string(*row),
                    texts.FaceText("IDS_COL" + std::to_string(*column)));
    } else if (*page == dialog_id::kSignallingPage && row && column && *row >= 1 &&
               *row <= signalling_page::kSetCount) {
      name = Joined(signalling_page::SetTabTexts(texts)[static_cast<std::size_t>(*row - 1)],
                    ControlCaption(texts, *page, *column));
    } else if (*page == dialog_id::kSignallingPage && column && *column >= 1 && *column <= 2 &&
               parts[1].starts_with(kCodePrefix)) {
      const std::optional<int> code = ParseNumber(std::string_view(parts[1]).substr(kCodePrefix.size()));
      if (code && *code >= 1 && *code <= signalling_page::kCodeCount) {
        const std::array<std::string, 3> headers = signalling_page::CodeHeaderTexts(texts);
        name = Joined(headers[0] + " " + std::to_string(*code), headers[static_cast<std::size_t>(*column)]);
      }
    }
  }
  return name.empty() ? line.key : name;
}

std::string NameOf(const std::string& key, const LanguageTexts& texts) { return Name(Line{key, {}, false}, texts); }

std::uint8_t ShownBits(std::size_t offset) {
  static const std::array<std::uint8_t, image::kSize> shown = BuildShownBits();
  return offset < shown.size() ? shown[offset] : 0;
}

std::vector<Line> RawLines(const CTavroPgmDoc& doc) {
  std::vector<Line> lines;
  for (std::size_t offset = 0; offset < image::kSize; ++offset) {
    const std::uint8_t raw = static_cast<std::uint8_t>(~ShownBits(offset));
    if (raw == 0) continue;
    lines.push_back({RawKey(offset), Hex(doc.At(offset) & raw, 2), false});
  }
  return lines;
}

std::vector<Line> ComparedLines(const CTavroPgmDoc& doc, const function_page::SpeechLanguages& languages) {
  CTavroPgmDoc copy(doc.Files());
  std::ranges::copy(doc.Block(), copy.Block().begin());
  copy.SetRadioVersion(doc.RadioVersion());
  copy.IdentifyModel();
  std::vector<Line> lines = Lines(copy, doc.Files(), languages);
  const std::vector<Line> raw = RawLines(copy);
  lines.insert(lines.end(), raw.begin(), raw.end());
  return lines;
}

std::vector<Difference> Compare(const std::vector<Line>& first, const std::vector<Line>& second) {
  std::map<std::string, const Line*> seconds;
  for (const Line& line : second) seconds.emplace(line.key, &line);
  std::vector<Difference> differences;
  for (const Line& line : first) {
    const auto found = seconds.find(line.key);
    const bool present = found != seconds.end();
    const std::string other = present ? found->second->shown : std::string();
    if (present) seconds.erase(found);
    if (!present || other != line.shown) differences.push_back({line.key, line.shown, other});
  }
  for (const Line& line : second)
    if (seconds.contains(line.key)) differences.push_back({line.key, std::string(), line.shown});
  return differences;
}

std::string FormatDifference(const Difference& difference, const LanguageTexts& texts) {
  return difference.key + "\t" + Name(Line{difference.key, {}, false}, texts) + "\t" + difference.first + "\t" +
         difference.second;
}

}  // namespace config_dump
