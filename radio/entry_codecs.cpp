#include "radio/entry_codecs.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "radio/codecs.h"
#include "res/code_tables.h"
#include "settings/app_files.h"
#include "settings/profile.h"

namespace entry {

std::string TwoToneText(std::uint16_t value) {
  if (value == kNoTwoTone) return {};
  return codec::TenthsText(value);
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

bool StoreDtmfText(std::string_view text, std::span<std::uint8_t, kDtmfDigits> field) {
  std::array<std::uint8_t, kDtmfDigits> code{};
  DtmfFromText(text, code);
  if (std::equal(code.begin(), code.end(), field.begin())) return false;
  std::copy(code.begin(), code.end(), field.begin());
  return true;
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

namespace {

constexpr char32_t kCarriageReturnPicture = 0x240D;
constexpr char32_t kLineFeedPicture = 0x240A;
constexpr char32_t kLastLatin1 = 0xFF;

void AppendUtf8(std::string& text, char32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point of the UTF-8 sequence at text[at], advancing at; nullopt for a broken
// or overlong sequence.
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  int follow = 0;
  char32_t c = 0;
  if ((lead & 0xE0) == 0xC0) {
    follow = 1;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    follow = 2;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    follow = 3;
    c = lead & 0x07;
  } else {
    return std::nullopt;
  }
  for (int k = 0; k < follow; ++k) {
    if (at >= text.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(text[at++]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[follow]) return std::nullopt;
  return c;
}

}  // namespace

std::optional<std::string> MessageStoredText(std::string_view shown) {
  std::string stored;
  stored.reserve(shown.size());
  for (std::size_t at = 0; at < shown.size();) {
    const std::optional<char32_t> c = NextUtf8(shown, at);
    if (!c || *c == 0) return std::nullopt;
    if (*c == U'\r') continue;
    if (*c == U'\n') {
      stored += "\r\n";
    } else if (*c == kCarriageReturnPicture) {
      stored += '\r';
    } else if (*c == kLineFeedPicture) {
      stored += '\n';
    } else if (*c <= kLastLatin1) {
      stored += static_cast<char>(*c);
    } else {
      return std::nullopt;
    }
  }
  return stored;
}

std::string MessageShownText(std::string_view stored) {
  std::string shown;
  shown.reserve(stored.size() * 2);
  for (std::size_t at = 0; at < stored.size(); ++at) {
    const auto byte = static_cast<unsigned char>(stored[at]);
    const bool lineBreak = byte == '\r' && at + 1 < stored.size() && stored[at + 1] == '\n';
    if (lineBreak) {
      shown += '\n';
      ++at;
    } else if (byte == '\r') {
      AppendUtf8(shown, kCarriageReturnPicture);
    } else if (byte == '\n') {
      AppendUtf8(shown, kLineFeedPicture);
    } else {
      AppendUtf8(shown, byte);
    }
  }
  return shown;
}

}  // namespace entry
