#include "radio/channel_csv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "radio/channel_table.h"
#include "radio/codecs.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "settings/file_io.h"
#include "settings/ascii.h"

namespace channel_csv {
namespace {

namespace rec = image::channel;

// The columns, in the order of the export's header.
enum Column {
  kLocation, kName, kFrequency, kDuplex, kOffset, kTone, kRToneFreq, kCToneFreq, kDtcsCode,
  kDtcsPolarity, kRxDtcsCode, kCrossMode, kMode, kTStep, kSkip, kPower, kComment, kUrCall,
  kRpt1Call, kRpt2Call, kDvCode, kColumnCount
};
constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "Location", "Name", "Frequency", "Duplex", "Offset", "Tone", "rToneFreq", "cToneFreq", "DtcsCode",
    "DtcsPolarity", "RxDtcsCode", "CrossMode", "Mode", "TStep", "Skip", "Power", "Comment", "URCALL",
    "RPT1CALL", "RPT2CALL", "DVCODE"};
// What an empty tone field stands for; also the export's unused tone values. Absent
// Duplex, Tone, Mode, Skip and Power columns (and empty Mode and Power fields) leave an
// existing channel's value as it is instead.
constexpr std::array<const char*, kColumnCount> kDefaults = {
    "", "", "", "", "0.000000", "", "88.5", "88.5", "023", "NN", "023", "Tone->Tone", "FM", "5.00", "",
    "5.0W", "", "", "", "", ""};
// Transmit power as the common tool writes it, in watts: the family's usual levels.
constexpr const char* kHighPowerWatts = "5.0W";
constexpr const char* kLowPowerWatts = "1.0W";

// One end of a channel's signalling: no tone, a CTCSS tone, or a DCS code.
struct Tone {
  enum Kind { None, Ctcss, Dcs } kind = None;
  std::string value;      // "88.5" or "023"
  bool inverted = false;  // DCS only
  bool operator==(const Tone&) const = default;
  // The text the tone encoder stores.
  std::string EncoderText() const {
    if (kind == Ctcss) return value;
    if (kind == Dcs) return "D" + value + (inverted ? "I" : "N");
    return {};
  }
};

const char* KindName(Tone::Kind kind) { return kind == Tone::Ctcss ? "Tone" : kind == Tone::Dcs ? "DTCS" : ""; }

using ascii::EqualIgnoringCase;
using ascii::Lower;
using ascii::Trim;
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ---------------------------------------------------------------- export

Tone StoredTone(const CTavroPgmDoc& doc, int channel, bool receive) {
  const auto record = doc.ChannelRecord(channel);
  const std::size_t at = receive ? rec::kReceiveTone : rec::kTransmitTone;
  const std::optional<std::string> text = codec::ToneToText(record.subspan(at).first<rec::kToneSize>());
  if (!text) return {};
  if (text->front() == 'D') return {Tone::Dcs, text->substr(1, 3), text->back() == 'I'};
  return {Tone::Ctcss, *text};
}

std::string Quoted(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Line(const std::array<std::string, kColumnCount>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + Quoted(fields[i]);
  return line + "\n";
}

std::string Megahertz(const std::string& frequencyText) { return codec::MegahertzText(codec::TextToHz(frequencyText)); }

std::array<std::string, kColumnCount> ChannelFields(const CTavroPgmDoc& doc, int channel) {
  std::array<std::string, kColumnCount> f;
  for (int i = 0; i < kColumnCount; ++i) f[static_cast<std::size_t>(i)] = kDefaults[static_cast<std::size_t>(i)];
  f[kLocation] = std::to_string(channel);
  const std::string receive = Megahertz(doc.ChannelFrequencyText(channel, true));
  f[kFrequency] = receive;
  if (!doc.HasTransmitFrequency(channel)) {
    f[kDuplex] = "off";
  } else if (!doc.IsSimplex(channel)) {
    f[kDuplex] = "split";
    f[kOffset] = Megahertz(doc.ChannelFrequencyText(channel, false));
  }

  const Tone rx = StoredTone(doc, channel, true);
  const Tone tx = doc.HasTransmitFrequency(channel) ? StoredTone(doc, channel, false) : Tone{};
  auto polarity = [](const Tone& tone) { return tone.kind == Tone::Dcs && tone.inverted ? "R" : "N"; };
  if (tx.kind == Tone::None && rx.kind == Tone::None) {
    f[kTone] = "";
  } else if (tx.kind == Tone::Ctcss && rx.kind == Tone::None) {
    f[kTone] = "Tone";
    f[kRToneFreq] = tx.value;
  } else if (tx.kind == Tone::Ctcss && tx == rx) {
    f[kTone] = "TSQL";
    f[kCToneFreq] = rx.value;
  } else if (tx.kind == Tone::Dcs && rx.kind == Tone::Dcs && tx.value == rx.value) {
    f[kTone] = "DTCS";
    f[kDtcsCode] = tx.value;
    f[kDtcsPolarity] = std::string(polarity(tx)) + polarity(rx);
  } else {
    f[kTone] = "Cross";
    f[kCrossMode] = std::string(KindName(tx.kind)) + "->" + KindName(rx.kind);
    if (tx.kind == Tone::Ctcss) f[kRToneFreq] = tx.value;
    if (rx.kind == Tone::Ctcss) f[kCToneFreq] = rx.value;
    if (tx.kind == Tone::Dcs) f[kDtcsCode] = tx.value;
    if (rx.kind == Tone::Dcs) f[kRxDtcsCode] = rx.value;
    f[kDtcsPolarity] = std::string(polarity(tx)) + polarity(rx);
  }

  const std::uint8_t switches = doc.ChannelRecord(channel)[rec::kSwitches];
  f[kMode] = (switches & rec::kWide) ? "FM" : "NFM";
  f[kSkip] = (switches & rec::kScanMember) ? "" : "S";
  f[kPower] = (switches & rec::kHighPower) ? kHighPowerWatts : kLowPowerWatts;
  return f;
}

// ---------------------------------------------------------------- reading the text

struct Record {
  int line = 0;
  std::vector<std::string> fields;
};

// Splits the text into records of fields. Empty lines and lines beginning with '#' are
// skipped; a quoted field may hold the delimiter, doubled quotes and line breaks.
std::vector<Record> SplitRecords(std::string_view text, char delimiter, std::vector<Problem>& problems) {
  std::vector<Record> records;
  std::size_t at = 0;
  int line = 1;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string_view physical = text.substr(at, end - at);
    if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
    if (Trim(physical).empty() || physical.front() == '#') {
      at = end + 1;
      ++line;
      continue;
    }
    Record record{line, {std::string()}};
    bool quoted = false;
    for (; at < text.size(); ++at) {
      const char c = text[at];
      if (quoted) {
        if (c == '"' && at + 1 < text.size() && text[at + 1] == '"') {
          record.fields.back() += '"';
          ++at;
        } else if (c == '"') {
          quoted = false;
        } else {
          if (c == '\n') ++line;
          record.fields.back() += c;
        }
      } else if (c == '"') {
        quoted = true;
      } else if (c == delimiter) {
        record.fields.emplace_back();
      } else if (c == '\n') {
        break;
      } else if (c != '\r') {
        record.fields.back() += c;
      }
    }
    ++at;
    ++line;
    if (quoted) {  // the rest of the file went into the open field
      problems.push_back({record.line, "", "IDS_CSV_BADQUOTE", ""});
      break;
    }
    // A spreadsheet's rows of bare delimiters hold nothing.
    if (std::all_of(record.fields.begin(), record.fields.end(), [](const std::string& f) { return Trim(f).empty(); }))
      continue;
    records.push_back(std::move(record));
  }
  return records;
}

// A spreadsheet set to a decimal-comma locale separates fields with semicolons.
char Delimiter(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    if (!Trim(line).empty() && line.front() != '#' && line != "\r")
      return std::count(line.begin(), line.end(), ';') > std::count(line.begin(), line.end(), ',') ? ';' : ',';
    at = end + 1;
  }
  return ',';
}

// Hertz of a megahertz text ("146.78", "146,780000"); nullopt when it is not a number.
// Decimals beyond the sixth must be zeros: hertz are whole.
std::optional<std::int64_t> ParseMegahertz(std::string_view text) {
  std::string number(Trim(text));
  std::replace(number.begin(), number.end(), ',', '.');
  const std::size_t point = number.find('.');
  const std::string whole = number.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : number.substr(point + 1);
  if (!AllDigits(whole) || whole.size() > 4 || (!fraction.empty() && !AllDigits(fraction))) return std::nullopt;
  if (fraction.size() > 6) {
    if (fraction.find_first_not_of('0', 6) != std::string::npos) return std::nullopt;
    fraction.resize(6);
  }
  fraction.append(6 - fraction.size(), '0');
  return std::stoll(whole) * 1000000 + std::stoll(fraction);
}

// A decimal as spreadsheets write it, in the form typed into a cell: a decimal comma as a
// point, zeros after the first decimal dropped ("88,50" gives "88.5").
std::string CellDecimal(std::string_view text) {
  std::string number(Trim(text));
  std::replace(number.begin(), number.end(), ',', '.');
  const std::size_t point = number.find('.');
  if (point != std::string::npos)
    while (number.size() > point + 2 && number.back() == '0') number.pop_back();
  return number;
}

// Line ends as spreadsheets write them: CR LF, LF, or CR alone (the older Macintosh format).
std::string WithLineFeeds(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\r') {
      result += text[at];
    } else if (at + 1 >= text.size() || text[at + 1] != '\n') {
      result += '\n';
    }
  }
  return result;
}

// What one line asks for one channel; of use only when no line had a problem. What the
// file does not say (a column it lacks) leaves the channel as it is.
struct Planned {
  int line = 0;
  std::optional<long> location;
  std::string receive;                  // megahertz text; empty erases the channel
  bool duplexGiven = false;
  std::optional<std::string> transmit;  // nullopt: no transmit frequency
  bool tonesGiven = false;
  Tone rx, tx;
  std::optional<bool> wide, scanned, high;
};

class LineReader {
 public:
  LineReader(const CTavroPgmDoc& doc, const std::array<int, kColumnCount>& index, const Record& record,
             std::vector<Problem>& problems)
      : doc_(doc), index_(index), record_(record), problems_(problems) {}

  Planned Read() {
    Planned plan;
    plan.line = record_.line;
    const std::string location(Field(kLocation));
    if (!Present(kLocation)) Report(kLocation, "IDS_CSV_NOFIELD", "");
    else if (!AllDigits(location) || location.size() > 6) Report(kLocation, "IDS_CSV_BADLOCATION", location);
    else plan.location = std::stol(location);
    if (!Present(kFrequency)) Report(kFrequency, "IDS_CSV_NOFIELD", "");
    if (!Present(kFrequency) || Field(kFrequency).empty()) return plan;

    const std::optional<std::int64_t> receive = Frequency(kFrequency);
    if (receive) plan.receive = codec::MegahertzText(*receive);
    // Without a Duplex column the transmit frequency stays as it is (a simplex channel's
    // follows the receive frequency, as typing it does).
    plan.duplexGiven = Present(kDuplex);
    if (plan.duplexGiven) ReadDuplex(plan, receive);

    ReadTones(plan);

    const std::string mode(Field(kMode));
    if (EqualIgnoringCase(mode, "NFM")) plan.wide = false;
    else if (EqualIgnoringCase(mode, "FM")) plan.wide = true;
    else if (!mode.empty()) Report(kMode, "IDS_CSV_BADMODE", mode);

    const std::string skip(Field(kSkip));
    if (EqualIgnoringCase(skip, "S")) plan.scanned = false;
    else if (!skip.empty() && !EqualIgnoringCase(skip, "P")) Report(kSkip, "IDS_CSV_BADVALUE", skip);
    else if (Present(kSkip)) plan.scanned = true;  // empty or P; without the column the choice stays

    ReadPower(plan);
    return plan;
  }

 private:
  void ReadDuplex(Planned& plan, std::optional<std::int64_t> receive) {
    const std::string duplex(Field(kDuplex));
    if (duplex.empty()) {
      plan.transmit = plan.receive;
    } else if (EqualIgnoringCase(duplex, "off")) {
      plan.transmit = std::nullopt;
    } else if (EqualIgnoringCase(duplex, "split")) {
      if (const auto transmit = Frequency(kOffset)) plan.transmit = codec::MegahertzText(*transmit);
    } else if (duplex == "+" || duplex == "-") {
      const std::optional<std::int64_t> offset = ParseMegahertz(Field(kOffset));
      if (!offset) {
        Report(kOffset, "IDS_CSV_BADFREQUENCY", std::string(Field(kOffset)));
      } else if (receive) {
        const std::int64_t transmit = duplex == "+" ? *receive + *offset : *receive - *offset;
        if (transmit < 0) Report(kOffset, "IDS_CSV_BADFREQUENCY", std::string(Field(kOffset)));
        else if (CheckFrequency(kOffset, transmit)) plan.transmit = codec::MegahertzText(transmit);
      }
    } else {
      Report(kDuplex, "IDS_CSV_BADVALUE", duplex);
    }
  }

  bool Present(Column column) const {
    const int at = index_[column];
    return at >= 0 && static_cast<std::size_t>(at) < record_.fields.size();
  }
  // The field as written, blanks around it removed; empty when absent.
  std::string_view Field(Column column) const {
    return Present(column) ? Trim(record_.fields[static_cast<std::size_t>(index_[column])]) : std::string_view();
  }
  // The field, or the column's default when it is absent or empty.
  std::string Value(Column column) const {
    const std::string_view field = Field(column);
    return field.empty() ? kDefaults[column] : std::string(field);
  }
  void Report(Column column, const char* key, std::string subject) {
    problems_.push_back({record_.line, kColumnNames[column], key, std::move(subject)});
  }

  // The same band and raster checks as a frequency typed on the channel page, but never a
  // question: an off-raster frequency is a problem, not a proposal.
  bool CheckFrequency(Column column, std::int64_t hz) {
    const std::string text = codec::MegahertzText(hz);
    if (doc_.CheckBand(text) != 0) {
      Report(column, "IDS_CSV_OUTOFBAND", text + " (" + doc_.BandEdgeText(false) + " - " + doc_.BandEdgeText(true) + ")");
      return false;
    }
    if (!codec::IsOnRaster(hz)) {
      Report(column, "IDS_CSV_OFFRASTER", text);
      return false;
    }
    return true;
  }
  std::optional<std::int64_t> Frequency(Column column) {
    const std::optional<std::int64_t> hz = ParseMegahertz(Field(column));
    if (!hz) {
      Report(column, "IDS_CSV_BADFREQUENCY", std::string(Field(column)));
      return std::nullopt;
    }
    return CheckFrequency(column, *hz) ? hz : std::nullopt;
  }

  // The same range rule as a tone typed into a cell: any tone the radio stores, standard
  // or not, so that every exported tone imports again.
  Tone Ctcss(Column column) {
    const std::string field = Value(column);
    const std::optional<int> tenths = codec::CtcssTenths(CellDecimal(field));
    if (!tenths) Report(column, "IDS_CSV_BADTONE", field);
    return {Tone::Ctcss, tenths ? codec::TenthsText(*tenths) : field};
  }
  // The column holds the code's digits ("023", also "23"); letter is this end's polarity
  // ('R' reversed).
  Tone Dcs(Column column, char letter) {
    std::string code = Value(column);
    if (AllDigits(code) && code.size() < 3) code.insert(0, 3 - code.size(), '0');
    if (!codec::IsDcsCode(code)) Report(column, "IDS_CSV_BADTONE", Value(column));
    return {Tone::Dcs, code, letter == 'R'};
  }
  Tone OfKind(std::string_view kind, Column ctcss, Column dcs, char letter) {
    if (EqualIgnoringCase(kind, "Tone")) return Ctcss(ctcss);
    if (EqualIgnoringCase(kind, "DTCS")) return Dcs(dcs, letter);
    return {};
  }

  void ReadTones(Planned& plan) {
    const std::string mode(Field(kTone));
    // Polarity letters, transmit then receive: N normal, R reversed.
    std::string letters = Value(kDtcsPolarity);
    std::transform(letters.begin(), letters.end(), letters.begin(), [](char c) { return Lower(c) == 'r' ? 'R' : Lower(c) == 'n' ? 'N' : '?'; });
    const bool lettersValid = letters.size() == 2 && letters.find('?') == std::string::npos;
    if (!lettersValid) letters = "NN";
    auto checkLetters = [&] {
      if (!lettersValid) Report(kDtcsPolarity, "IDS_CSV_BADVALUE", Value(kDtcsPolarity));
    };
    plan.tonesGiven = Present(kTone);
    if (mode.empty()) return;
    if (EqualIgnoringCase(mode, "Tone")) {
      plan.tx = Ctcss(kRToneFreq);
    } else if (EqualIgnoringCase(mode, "TSQL")) {
      plan.rx = plan.tx = Ctcss(kCToneFreq);
    } else if (EqualIgnoringCase(mode, "DTCS")) {
      checkLetters();
      plan.tx = Dcs(kDtcsCode, letters[0]);
      plan.rx = plan.tx;
      plan.rx.inverted = letters[1] == 'R';
    } else if (EqualIgnoringCase(mode, "Cross")) {
      const std::string cross = Value(kCrossMode);
      const std::size_t arrow = cross.find("->");
      const std::string txKind = arrow == std::string::npos ? "?" : cross.substr(0, arrow);
      const std::string rxKind = arrow == std::string::npos ? "?" : cross.substr(arrow + 2);
      auto known = [](std::string_view kind) { return kind.empty() || EqualIgnoringCase(kind, "Tone") || EqualIgnoringCase(kind, "DTCS"); };
      if (!known(txKind) || !known(rxKind) || (txKind.empty() && rxKind.empty())) {
        Report(kCrossMode, "IDS_CSV_BADVALUE", cross);
        return;
      }
      if (EqualIgnoringCase(txKind, "DTCS") || EqualIgnoringCase(rxKind, "DTCS")) checkLetters();
      plan.tx = OfKind(txKind, kRToneFreq, kDtcsCode, letters[0]);
      plan.rx = OfKind(rxKind, kCToneFreq, kRxDtcsCode, letters[1]);
    } else {
      Report(kTone, "IDS_CSV_BADVALUE", mode);
    }
  }

  void ReadPower(Planned& plan) {
    const std::string power(Field(kPower));
    if (power.empty()) return;  // kept as it is
    if (EqualIgnoringCase(power, "High") || EqualIgnoringCase(power, "Low")) {
      plan.high = EqualIgnoringCase(power, "High");
      return;
    }
    // Watts, the unit "W" optional: high power from 2 W up.
    std::string_view number = power;
    if (Lower(number.back()) == 'w') number.remove_suffix(1);
    const std::optional<int> tenths = codec::DecimalTenths(CellDecimal(number));
    if (!tenths) {
      Report(kPower, "IDS_CSV_BADVALUE", power);
      return;
    }
    plan.high = *tenths >= 20;
  }

  const CTavroPgmDoc& doc_;
  const std::array<int, kColumnCount>& index_;
  const Record& record_;
  std::vector<Problem>& problems_;
};

// Import never asks: every frequency was checked before it is stored.
class NoQuestions : public Prompter {
 public:
  PromptAnswer Ask(const PromptRequest&) override { return PromptAnswer::Cancel; }
};

void Store(CTavroPgmDoc& doc, int channel, const Planned& plan) {
  NoQuestions prompter;
  if (plan.receive.empty()) {
    doc.SetChannelFrequency(channel, true, "", prompter);
    return;
  }
  // A new channel starts from an erased record: what the file does not carry takes its
  // defaults. An existing channel keeps it.
  if (!doc.IsChannelUsed(channel)) doc.EraseChannel(channel);
  doc.SetChannelFrequency(channel, true, plan.receive, prompter);
  if (plan.duplexGiven) doc.SetChannelFrequency(channel, false, plan.transmit.value_or(""), prompter);
  if (plan.tonesGiven) {
    // The tones passed the tone rule when the line was read.
    doc.SetChannelTone(channel, true, plan.rx.EncoderText());
    // A channel without a transmit frequency has no transmit tone.
    if (doc.HasTransmitFrequency(channel)) doc.SetChannelTone(channel, false, plan.tx.EncoderText());
  }
  if (plan.wide) channel_table::StoreChoice(doc, channel, channel_table::kBandwidth, *plan.wide ? 0 : 1);
  if (plan.scanned) channel_table::StoreChoice(doc, channel, channel_table::kScan, *plan.scanned ? 0 : 1);
  if (plan.high) channel_table::StoreChoice(doc, channel, channel_table::kPower, *plan.high ? 0 : 1);
}

}  // namespace

std::string Export(const CTavroPgmDoc& doc) {
  std::array<std::string, kColumnCount> header;
  std::copy(kColumnNames.begin(), kColumnNames.end(), header.begin());
  std::string text = Line(header);
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    if (doc.IsChannelUsed(channel)) text += Line(ChannelFields(doc, channel));
  return text;
}

std::vector<Problem> Import(CTavroPgmDoc& doc, std::string_view text) {
  std::vector<Problem> problems;
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const std::string lines = WithLineFeeds(text.substr(0, kMaxSize + 1));
  if (text.size() > kMaxSize || static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')) > kMaxLines) {
    problems.push_back({0, "", "IDS_CSV_TOOLARGE", ""});
    return problems;
  }

  const std::vector<Record> records = SplitRecords(lines, Delimiter(lines), problems);
  if (records.empty()) {
    if (problems.empty()) problems.push_back({0, "", "IDS_CSV_NOCHANNELS", ""});
    return problems;
  }
  std::array<int, kColumnCount> index;
  index.fill(-1);
  const int headerLine = records.front().line;
  const std::vector<std::string>& names = records.front().fields;
  for (int column = 0; column < kColumnCount; ++column) {
    for (std::size_t at = 0; at < names.size() && index[column] < 0; ++at)
      if (EqualIgnoringCase(Trim(names[at]), kColumnNames[column])) index[column] = static_cast<int>(at);
  }
  for (Column required : {kLocation, kFrequency})
    if (index[required] < 0) problems.push_back({headerLine, "", "IDS_CSV_NOCOLUMN", kColumnNames[required]});
  // A header alone would "import" nothing and still be reported as done. (A quote left
  // open, which took the rest of the file, is the problem reported then.)
  if (records.size() < 2 && problems.empty()) problems.push_back({0, "", "IDS_CSV_NOCHANNELS", ""});
  if (!problems.empty()) return problems;

  std::vector<Planned> plans;
  for (std::size_t at = 1; at < records.size(); ++at) plans.push_back(LineReader(doc, index, records[at], problems).Read());
  // Files of radios whose memories are numbered from 0 hold Location 0 for the first one.
  long lowest = 1;
  for (const Planned& plan : plans)
    if (plan.location) lowest = std::min(lowest, *plan.location);
  const long shift = lowest == 0 ? 1 : 0;
  std::set<long> named;
  for (const Planned& plan : plans) {
    if (!plan.location) continue;
    const long channel = *plan.location + shift;
    if (channel < 1 || channel > image::kChannelCount)
      problems.push_back({plan.line, kColumnNames[kLocation], "IDS_CSV_BADLOCATION", std::to_string(*plan.location)});
    else if (!named.insert(channel).second)
      problems.push_back({plan.line, kColumnNames[kLocation], "IDS_CSV_TWICE", std::to_string(*plan.location)});
  }
  std::stable_sort(problems.begin(), problems.end(), [](const Problem& a, const Problem& b) { return a.line < b.line; });
  if (!problems.empty()) return problems;

  // Stored into a copy first, then the channel records are taken over as a whole.
  CTavroPgmDoc scratch(doc.Files());
  std::copy(doc.Block().begin(), doc.Block().end(), scratch.Block().begin());
  for (const Planned& plan : plans) Store(scratch, static_cast<int>(*plan.location + shift), plan);
  bool changed = false;
  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    const auto from = scratch.ChannelRecord(channel);
    const auto to = doc.ChannelRecord(channel);
    if (std::equal(from.begin(), from.end(), to.begin())) continue;
    std::copy(from.begin(), from.end(), to.begin());
    changed = true;
  }
  if (changed) {
    doc.SetModifiedFlag();
    // Scan members may have changed: the same rule as a scan choice on the channel page.
    doc.CountScanChannels();
  }
  return problems;
}

bool HasChannelsToExport(const CTavroPgmDoc& doc) {
  for (int channel = 1; channel <= image::kChannelCount; ++channel)
    if (doc.IsChannelUsed(channel)) return true;
  return false;
}

bool ExportFile(const CTavroPgmDoc& doc, const std::filesystem::path& path, FileError& error) {
  // A header alone would be a file that no import takes: nothing is written.
  if (!HasChannelsToExport(doc)) {
    error = {"IDS_CSV_NOTHINGTOEXPORT", path, 0};
    return false;
  }
  if (file_io::ReplaceFileAtomically(path, Export(doc))) return true;
  error = WriteFailure("IDS_ERROR_SAVEFILE", path, errno);
  return false;
}

bool ImportFile(CTavroPgmDoc& doc, const std::filesystem::path& path, std::vector<Problem>& problems,
                FileError& error) {
  problems.clear();
  const std::optional<std::string> text = file_io::ReadFile(path, kMaxSize + 1);
  if (!text) {
    error = {"IDS_ERROR_OPENFILE", path, errno};
    return false;
  }
  problems = Import(doc, *text);
  return true;
}

std::string ProblemText(const AppFiles& files, const Problem& problem) {
  std::string text;
  if (problem.line > 0) text += files.GetText("IDS_CSV_LINE") + " " + std::to_string(problem.line);
  if (!problem.column.empty()) text += (text.empty() ? "" : ", ") + problem.column;
  if (!text.empty()) text += ": ";
  text += files.GetText(problem.textKey);
  if (!problem.subject.empty()) text += " " + problem.subject;
  return text;
}

std::string ProblemsMessage(const AppFiles& files, const std::vector<Problem>& problems, std::size_t shown) {
  std::string message = files.GetText("IDS_CSV_IMPORTFAILED");
  for (std::size_t i = 0; i < problems.size() && i < shown; ++i) message += "\n" + ProblemText(files, problems[i]);
  if (problems.size() > shown) {
    message += "\n" + files.Texts().GetCountText("IDS_CSV_MORE", problems.size() - shown);
  }
  return message;
}

}  // namespace channel_csv
