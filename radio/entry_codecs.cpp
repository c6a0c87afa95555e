#include "radio/entry_codecs.h"

#include <algorithm>
#include <cstring>

#include "radio/codecs.h"
#include "res/code_tables.h"
#include "settings/app_files.h"
#include "settings/profile.h"

namespace entry {

std::string TwoToneText(std::uint16_t value) {
  if (value == kNoTwoTone) return {};
  return std::to_string(value / 10) + "." + std::to_string(value % 10);
}

std::optional<std::uint16_t> TwoToneValue(std::string_view text) {
  if (text.empty()) return kNoTwoTone;
  const std::optional<int> tenths = codec::DecimalTenths(text);
  if (!tenths || *tenths < kTwoToneMin || *tenths > kTwoToneMax) return std::nullopt;
  return static_cast<std::uint16_t>(*tenths);
}

namespace {
constexpr std::string_view kDtmfSymbols = "0123456789ABCD*#";
}

std::string DtmfText(std::span<const std::uint8_t, kDtmfDigits> code) {
  std::string text;
  for (std::uint8_t digit : code) {
    if (digit >= kDtmfSymbols.size()) break;
    text += kDtmfSymbols[digit];
  }
  return text;
}

void DtmfFromText(std::string_view text, std::span<std::uint8_t, kDtmfDigits> code) {
  std::fill(code.begin(), code.end(), kDtmfEnd);
  for (std::size_t i = 0; i < std::min(text.size(), kDtmfDigits); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'd') c = static_cast<char>(c - 'a' + 'A');
    const std::size_t digit = kDtmfSymbols.find(c);
    if (digit == std::string_view::npos) break;
    code[i] = static_cast<std::uint8_t>(digit);
  }
}

std::vector<std::string> CodeTable(int resourceId) {
  constexpr std::size_t kRecordSize = 8;
  const std::span<const unsigned char> data = CodeTableResource(resourceId);
  std::vector<std::string> codes;
  for (std::size_t at = 0; at + kRecordSize <= data.size(); at += kRecordSize) {
    const char* record = reinterpret_cast<const char*>(data.data() + at);
    codes.emplace_back(record, strnlen(record, kRecordSize));
  }
  return codes;
}

std::vector<std::string> CodeListEntries(const AppFiles& files) {
  // Bit n of "ctcdcs" adds the n-th table of this list.
  constexpr int kTablesByBit[] = {142, 145, 144, 146, 141, 140};
  const int mask = profile::LeadingNumber(files.Setting("setup", "ctcdcs", "13", 7));
  std::vector<std::string> entries{files.GetText("IDS_NONE")};
  for (int bit = 0; bit < 6; ++bit) {
    if (!(mask & (1 << bit))) continue;
    std::vector<std::string> table = CodeTable(kTablesByBit[bit]);
    entries.insert(entries.end(), table.begin(), table.end());
  }
  return entries;
}

std::string MessageStoredText(std::string_view shown) {
  std::string stored;
  stored.reserve(shown.size());
  for (const char c : shown) {
    if (c == '\n') stored += '\r';
    if (c != '\r') stored += c;
  }
  return stored;
}

std::string MessageShownText(std::string_view stored) {
  std::string shown;
  shown.reserve(stored.size());
  for (const char c : stored) {
    if (c != '\r') shown += c;
  }
  return shown;
}

}  // namespace entry
