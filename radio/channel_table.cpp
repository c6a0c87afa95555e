#include "radio/channel_table.h"

#include <algorithm>
#include <stdexcept>

#include "radio/codecs.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "radio/entry_codecs.h"
#include "settings/app_files.h"
#include "settings/profile.h"
#include "settings/ascii.h"

namespace rec = image::channel;

// ---------------------------------------------------------------- record access and queries

std::span<std::uint8_t, image::kChannelRecordSize> CTavroPgmDoc::ChannelRecord(int channel) {
  if (channel < 1 || channel > image::kChannelCount) throw std::out_of_range("channel number");
  return Image().subspan(image::ChannelOffset(channel)).first<image::kChannelRecordSize>();
}

std::span<const std::uint8_t, image::kChannelRecordSize> CTavroPgmDoc::ChannelRecord(int channel) const {
  if (channel < 1 || channel > image::kChannelCount) throw std::out_of_range("channel number");
  return Image().subspan(image::ChannelOffset(channel)).first<image::kChannelRecordSize>();
}

std::span<std::uint8_t, 4> CTavroPgmDoc::FrequencyField(int channel, bool receive) {
  return ChannelRecord(channel).subspan(receive ? rec::kReceiveFrequency : rec::kTransmitFrequency).first<4>();
}
std::span<const std::uint8_t, 4> CTavroPgmDoc::FrequencyField(int channel, bool receive) const {
  return ChannelRecord(channel).subspan(receive ? rec::kReceiveFrequency : rec::kTransmitFrequency).first<4>();
}
std::span<std::uint8_t, 2> CTavroPgmDoc::ToneField(int channel, bool receive) {
  return ChannelRecord(channel).subspan(receive ? rec::kReceiveTone : rec::kTransmitTone).first<2>();
}
std::span<const std::uint8_t, 2> CTavroPgmDoc::ToneField(int channel, bool receive) const {
  return ChannelRecord(channel).subspan(receive ? rec::kReceiveTone : rec::kTransmitTone).first<2>();
}

bool CTavroPgmDoc::IsChannelUsed(int channel) const {
  return FrequencyField(channel, true)[3] <= image::kLastFrequencyByte;
}

bool CTavroPgmDoc::HasTransmitFrequency(int channel) const {
  return FrequencyField(channel, false)[3] <= image::kLastFrequencyByte;
}

bool CTavroPgmDoc::IsSimplex(int channel) const {
  const auto receive = FrequencyField(channel, true);
  const auto transmit = FrequencyField(channel, false);
  return std::equal(receive.begin(), receive.end(), transmit.begin());
}

bool CTavroPgmDoc::SameTones(int channel) const {
  const auto receive = ToneField(channel, true);
  const auto transmit = ToneField(channel, false);
  return std::equal(receive.begin(), receive.end(), transmit.begin());
}

bool CTavroPgmDoc::IsHighPowerPermitted() const {
  return (At(image::kPowerPermit) & image::kHighPowerPermitted) != 0;
}

bool CTavroPgmDoc::SetHighPowerPermitted(bool permitted) {
  std::uint8_t& byte = At(image::kPowerPermit);
  const std::uint8_t before = byte;
  byte = image::WithBits(byte, image::kHighPowerPermitted, permitted);
  if (byte == before) return false;
  modified_ = true;
  return true;
}

bool CTavroPgmDoc::CountScanChannels() {
  int members = 0;
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    if (IsChannelUsed(channel) && (ChannelRecord(channel)[rec::kSwitches] & rec::kScanMember)) ++members;
  if (members >= 2) return true;
  std::uint8_t& scan = At(image::kScanAndPttId);
  if ((scan & image::scan_and_ptt_id::kScanType) != image::scan_and_ptt_id::kScanType) {
    scan |= image::scan_and_ptt_id::kScanType;
    modified_ = true;
  }
  return false;
}

// ---------------------------------------------------------------- edits

void CTavroPgmDoc::EraseChannel(int channel) {
  const auto record = ChannelRecord(channel);
  auto fill = [&](std::size_t from, std::size_t count) {
    std::fill_n(record.begin() + static_cast<std::ptrdiff_t>(from), count, image::kEmpty);
  };
  fill(rec::kReceiveFrequency, rec::kFrequencySize);
  fill(rec::kTransmitTone, rec::kToneSize);
  fill(rec::kReceiveTone, rec::kToneSize);
  fill(rec::kTransmitFrequency, rec::kFrequencySize);
  record[rec::kSignalSet] = rec::kNoSelection;
  record[rec::kSignalCode] = rec::kNoSelection;
  record[rec::kSwitches] |= rec::kErasedSwitches;
  record[rec::kBusyLockout] &= static_cast<std::uint8_t>(~rec::kBusyLockoutMask);
}

void CTavroPgmDoc::ClearTransmitFrequency(int channel) {
  const auto field = FrequencyField(channel, false);
  const auto tone = ToneField(channel, false);
  std::fill(field.begin(), field.end(), image::kEmpty);
  std::fill(tone.begin(), tone.end(), image::kEmpty);
}

// Marks the document modified when a channel record changed during its lifetime, also
// where the typed text equals the shown one (erasing an empty channel resets its switches;
// a non-standard tone is re-encoded): otherwise closing could drop the change unasked.
class CTavroPgmDoc::ModifiedIfChanged {
 public:
  ModifiedIfChanged(CTavroPgmDoc& doc, int channel) : doc_(doc), channel_(channel) {
    const auto record = doc.ChannelRecord(channel);
    std::copy(record.begin(), record.end(), before_.begin());
  }
  ~ModifiedIfChanged() {
    const auto record = doc_.ChannelRecord(channel_);
    if (!std::equal(record.begin(), record.end(), before_.begin())) doc_.modified_ = true;
  }

 private:
  CTavroPgmDoc& doc_;
  int channel_;
  std::array<std::uint8_t, image::kChannelRecordSize> before_{};
};

using ascii::EqualIgnoringCase;

void CTavroPgmDoc::SetChannelFrequency(int channel, bool receive, std::string_view text, Prompter& prompter) {
  const bool wasSimplex = IsSimplex(channel);
  const ModifiedIfChanged guard(*this, channel);
  if (!EqualIgnoringCase(text, ChannelFrequencyText(channel, receive))) modified_ = true;
  EncodeFrequency(text, channel, receive, prompter);
  if (text.empty()) {
    if (receive)
      EraseChannel(channel);
    else
      ClearTransmitFrequency(channel);
  } else if (receive && wasSimplex) {
    EncodeFrequency(ChannelFrequencyText(channel, true), channel, false, prompter);
  }
}

bool CTavroPgmDoc::SetChannelTone(int channel, bool receive, std::string_view text) {
  // No tone is stored as such, not through the language's "none" text.
  const std::optional<std::string> tone = codec::ParseToneText(text, files_.GetText("IDS_NONE"));
  if (!tone) return false;
  const bool tonesWereEqual = SameTones(channel);
  const ModifiedIfChanged guard(*this, channel);
  if (*tone != codec::ToneToText(ToneField(channel, receive)).value_or("")) modified_ = true;
  EncodeTone(*tone, channel, receive);
  if (receive && tonesWereEqual && IsChannelUsed(channel) && HasTransmitFrequency(channel))
    EncodeTone(*tone, channel, false);
  return true;
}

// ---------------------------------------------------------------- the table as text

namespace channel_table {
namespace {

std::string SelectorText(const LanguageTexts& texts, std::uint8_t value, int count) {
  return value < count ? std::to_string(value + 1) : texts.GetText("IDS_NONE");
}

std::string SwitchText(const LanguageTexts& texts, bool set, const char* setKey, const char* clearKey) {
  return texts.GetText(set ? setKey : clearKey);
}

// How an option column stores its choices: the switch bit and which index sets it.
struct SwitchColumn {
  int column;
  std::uint8_t bit;
  bool firstChoiceSetsBit;
  const char* firstKey;
  const char* secondKey;
};
constexpr SwitchColumn kSwitchColumns[] = {
    {kOption, rec::kOptionNo, false, "IDS_YES", "IDS_NO"},
    {kScan, rec::kScanMember, true, "IDS_YES", "IDS_NO"},
    {kPower, rec::kHighPower, true, "IDS_HIGH", "IDS_LOW"},
    {kOnOff, rec::kOptionOff, false, "IDS_ON1", "IDS_OFF1"},
    {kBandwidth, rec::kWide, true, "IDS_WIDE", "IDS_NARROW"},
};

const SwitchColumn* FindSwitchColumn(int column) {
  for (const SwitchColumn& entry : kSwitchColumns)
    if (entry.column == column) return &entry;
  return nullptr;
}

std::string CellText(const CTavroPgmDoc& doc, const LanguageTexts& texts, int channel, int column) {
  const auto record = doc.ChannelRecord(channel);
  const std::uint8_t switches = record[rec::kSwitches];
  switch (column) {
    case kNumber: return std::to_string(channel);
    case kReceiveFrequency: return doc.ChannelFrequencyText(channel, true);
    case kTransmitFrequency: return doc.ChannelFrequencyText(channel, false);
    case kReceiveTone: return doc.ToneToText(channel, true);
    case kTransmitTone: return doc.ToneToText(channel, false);
    case kSignalSet: return SelectorText(texts, record[rec::kSignalSet], rec::kSignalSetCount);
    case kSignalCode: return SelectorText(texts, record[rec::kSignalCode], rec::kSignalCodeCount);
    case kBusyLockout: {
      const int mode = record[rec::kBusyLockout] & rec::kBusyLockoutMask;
      return texts.OptionText("BUSYLOCKOUT", mode == 3 ? 0 : mode);
    }
    case kPower:
      // Without the permit every channel is low power, whatever its own bit says.
      return SwitchText(texts, doc.IsHighPowerPermitted() && (switches & rec::kHighPower), "IDS_HIGH", "IDS_LOW");
    default:
      if (const SwitchColumn* entry = FindSwitchColumn(column)) {
        const bool bitSet = (switches & entry->bit) != 0;
        return SwitchText(texts, bitSet == entry->firstChoiceSetsBit, entry->firstKey, entry->secondKey);
      }
      return {};
  }
}

}  // namespace

Row HeaderTexts(const AppFiles& files) {
  const LanguageTexts texts = files.Texts();
  Row row;
  for (int column = 0; column < kColumnCount; ++column)
    row[static_cast<std::size_t>(column)] = texts.FaceText("IDS_COL" + std::to_string(column));
  return row;
}

std::string CellText(const CTavroPgmDoc& doc, int channel, int column) {
  return CellText(doc, doc.Files().Texts(), channel, column);
}

Row RowTexts(const CTavroPgmDoc& doc, int channel) {
  Row row;
  row[kNumber] = std::to_string(channel);
  if (!doc.IsChannelUsed(channel)) return row;
  const LanguageTexts texts = doc.Files().Texts();
  for (int column = 1; column < kColumnCount; ++column) {
    if (column == kTransmitTone && !doc.HasTransmitFrequency(channel)) continue;
    row[static_cast<std::size_t>(column)] = CellText(doc, texts, channel, column);
  }
  return row;
}

bool IsCellEditable(const CTavroPgmDoc& doc, int channel, int column) {
  if (column == kReceiveFrequency) return true;
  return doc.IsChannelUsed(channel) && (column != kTransmitTone || doc.HasTransmitFrequency(channel));
}

page_state::Control ModelSelector(const CTavroPgmDoc& doc, const AppFiles& files) {
  constexpr int kModelCount = 16;
  constexpr std::size_t kModelNameMaxBytes = 29;
  std::vector<std::string> names;
  for (int model = 0; model < kModelCount; ++model) {
    const std::optional<std::string> name = files.FindSetting("model", "fdisp" + std::to_string(model));
    if (!name) break;
    names.push_back(profile::TruncateUtf8(*name, kModelNameMaxBytes));
  }
  return page_state::List(kModelSelectorId, std::move(names), doc.ModelIndex());
}

std::vector<std::string> Choices(const AppFiles& files, int column) {
  const LanguageTexts texts = files.Texts();
  auto numbered = [&](int count) {
    std::vector<std::string> choices{texts.GetText("IDS_NONE")};
    for (int n = 1; n <= count; ++n) choices.push_back(std::to_string(n));
    return choices;
  };
  if (column == kSignalSet) return numbered(rec::kSignalSetCount);
  if (column == kSignalCode) return numbered(rec::kSignalCodeCount);
  if (column == kBusyLockout) return texts.OptionList("BUSYLOCKOUT");
  if (const SwitchColumn* entry = FindSwitchColumn(column))
    return {texts.GetText(entry->firstKey), texts.GetText(entry->secondKey)};
  return {};
}

void StoreChoice(CTavroPgmDoc& doc, int channel, int column, int index) {
  if (index < 0) return;
  const auto record = doc.ChannelRecord(channel);
  const std::uint8_t selector = index == 0 ? rec::kNoSelection : static_cast<std::uint8_t>(index - 1);
  std::uint8_t* byte = nullptr;
  std::uint8_t value = 0;
  if (column == kSignalSet && index <= rec::kSignalSetCount) {
    byte = &record[rec::kSignalSet];
    value = selector;
  } else if (column == kSignalCode && index <= rec::kSignalCodeCount) {
    byte = &record[rec::kSignalCode];
    value = selector;
  } else if (column == kBusyLockout && index <= rec::kBusyLockoutMask) {
    // Bits 0-1 hold the mode; an index beyond them has no stored form and is ignored.
    byte = &record[rec::kBusyLockout];
    value = image::WithField(*byte, rec::kBusyLockoutMask, static_cast<unsigned>(index));
  } else if (const SwitchColumn* entry = FindSwitchColumn(column)) {
    byte = &record[rec::kSwitches];
    const bool setBit = (index == 0) == entry->firstChoiceSetsBit;
    value = image::WithBits(*byte, entry->bit, setBit);
  }
  if (byte == nullptr) return;
  if (*byte != value) {
    *byte = value;
    doc.SetModifiedFlag();
  }
  if (column == kScan) doc.CountScanChannels();
}

namespace {

bool IsFrequencyText(std::string_view text) {
  if (text.size() > kFrequencyTextLimit) return false;
  int points = 0;
  for (const char c : text) {
    if (c == '.') {
      ++points;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return points <= 1 && text != ".";
}

bool IsToneColumn(int column) { return column == kReceiveTone || column == kTransmitTone; }

// What a tone cell takes, ending in the "none" text of the language.
std::string ToneRule(const LanguageTexts& texts) { return texts.GetText("IDS_TONE_RULE") + " " + texts.GetText("IDS_NONE"); }

int ChoiceIndex(const AppFiles& files, int column, std::string_view text) {
  const std::vector<std::string> choices = Choices(files, column);
  for (std::size_t index = 0; index < choices.size(); ++index)
    if (EqualIgnoringCase(choices[index], text)) return static_cast<int>(index);
  return -1;
}

}  // namespace

bool StoreCellText(CTavroPgmDoc& doc, Prompter& prompter, int channel, int column, std::string_view text) {
  if (column == kReceiveFrequency || column == kTransmitFrequency) {
    const bool receive = column == kReceiveFrequency;
    doc.SetChannelFrequency(channel, receive, doc.BandCheckedText(text, channel, receive, prompter), prompter);
    return true;
  }
  if (IsToneColumn(column)) return doc.SetChannelTone(channel, column == kReceiveTone, text);
  const int index = ChoiceIndex(doc.Files(), column, text);
  if (index < 0) return false;
  StoreChoice(doc, channel, column, index);
  return true;
}

bool AcceptsText(const AppFiles& files, int column, std::string_view text) {
  if (column == kReceiveFrequency || column == kTransmitFrequency) return IsFrequencyText(text);
  if (IsToneColumn(column)) return codec::ParseToneText(text, files.GetText("IDS_NONE")).has_value();
  return column > kNumber && column < kColumnCount && ChoiceIndex(files, column, text) >= 0;
}

CellBlock ParseCellBlock(std::string_view text) {
  CellBlock cells;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    std::vector<std::string> row;
    for (std::size_t start = 0;;) {
      const std::size_t tab = line.find('\t', start);
      row.emplace_back(ascii::Trim(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start)));
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    cells.push_back(std::move(row));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return cells;
}

std::vector<PasteProblem> CheckPaste(const AppFiles& files, int channel, int column, const CellBlock& cells) {
  std::vector<PasteProblem> problems;
  bool beyond = false;
  for (std::size_t row = 0; row < cells.size(); ++row) {
    for (std::size_t cell = 0; cell < cells[row].size(); ++cell) {
      const int target = channel + static_cast<int>(row);
      const int targetColumn = column + static_cast<int>(cell);
      if (target > image::kChannelCount || targetColumn >= kColumnCount) {
        beyond = true;
        continue;
      }
      const std::string& text = cells[row][cell];
      const bool frequency = targetColumn == kReceiveFrequency || targetColumn == kTransmitFrequency;
      if ((frequency || !text.empty()) && !AcceptsText(files, targetColumn, text))
        problems.push_back({target, targetColumn, text});
    }
  }
  if (beyond) problems.insert(problems.begin(), PasteProblem{});
  return problems;
}

std::string PasteProblemsMessage(const AppFiles& files, const std::vector<PasteProblem>& problems, std::size_t shown) {
  const LanguageTexts texts = files.Texts();
  std::string message = texts.GetText("IDS_PASTE_REFUSED");
  for (std::size_t i = 0; i < problems.size() && i < shown; ++i) {
    const PasteProblem& problem = problems[i];
    if (problem.channel == 0) {
      message += "\n" + texts.GetText("IDS_PASTE_BEYOND");
      continue;
    }
    message += "\n" + config_dump::NameOf(config_dump::CellKey(problem.channel, problem.column), texts) + ": " + problem.text;
  }
  if (problems.size() > shown) message += "\n" + texts.GetCountText("IDS_CSV_MORE", problems.size() - shown);
  if (std::any_of(problems.begin(), problems.end(), [](const PasteProblem& p) { return IsToneColumn(p.column); }))
    message += "\n" + ToneRule(texts);
  return message;
}

std::string ToneRefusedMessage(const AppFiles& files, int channel, int column, std::string_view text) {
  const LanguageTexts texts = files.Texts();
  return config_dump::RefusedEntryMessage(texts, "IDS_TONE_REFUSED", config_dump::CellKey(channel, column), text,
                                          ToneRule(texts));
}

void Paste(CTavroPgmDoc& doc, Prompter& prompter, int channel, int column, const CellBlock& cells) {
  for (std::size_t row = 0; row < cells.size(); ++row) {
    const int target = channel + static_cast<int>(row);
    if (target < 1 || target > image::kChannelCount) break;
    for (std::size_t cell = 0; cell < cells[row].size(); ++cell) {
      const int targetColumn = column + static_cast<int>(cell);
      if (targetColumn <= kNumber || targetColumn >= kColumnCount) break;
      const std::string& text = cells[row][cell];
      const bool frequency = targetColumn == kReceiveFrequency || targetColumn == kTransmitFrequency;
      if ((!frequency && text.empty()) || !IsCellEditable(doc, target, targetColumn)) continue;
      StoreCellText(doc, prompter, target, targetColumn, text);
    }
  }
}

}  // namespace channel_table
