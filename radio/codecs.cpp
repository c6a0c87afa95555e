#include "radio/codecs.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "settings/ascii.h"

namespace codec {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Value of the leading decimal digits, saturating well above any frequency.
std::int64_t LeadingInteger(std::string_view text) {
  constexpr std::int64_t kLimit = 1'000'000'000'000'000;
  std::int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) break;
    value = std::min(kLimit, value * 10 + (c - '0'));
  }
  return value;
}

// Moves the first point of a decimal text `places` to the right, after padding it with
// zeros: ("145.5", 6) gives "145500000.0", ("88.5", 1) gives "885.0".
std::string ShiftPoint(std::string_view text, std::size_t places) {
  std::string shifted(text);
  if (shifted.find('.') != std::string::npos)
    shifted.append(places, '0');
  else
    shifted.append(".").append(places, '0');
  const std::size_t point = shifted.find('.');
  shifted.insert(point + places + 1, ".");
  shifted.erase(point, 1);
  return shifted;
}

std::uint8_t Nibble(char c) { return static_cast<std::uint8_t>(c & 0x0F); }

constexpr std::array<std::uint8_t, 10> kCallFormatNibbles = {0xF, 0x1, 0x2, 0x4, 0x6,
                                                             0x8, 0x9, 0x3, 0x7, 0xB};

}  // namespace

std::string FrequencyToText(ConstFrequencyField field) {
  if (field[3] > 0x99) return {};
  const std::uint32_t packed = field[0] | (field[1] << 8) | (field[2] << 16) |
                               (static_cast<std::uint32_t>(field[3]) << 24);
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(packed));
  std::int64_t hz = LeadingInteger(digits) * 10;
  if (hz % 3125 == 3120) hz += 5;
  std::string text = std::to_string(hz);
  text.insert(std::min<std::size_t>(3, text.size()), ".");
  return text;
}

std::string HertzDigits(std::string_view text) { return ShiftPoint(text, 6); }

std::int64_t TextToHz(std::string_view text) { return LeadingInteger(HertzDigits(text)); }

bool IsOnRaster(std::int64_t hz) { return hz % 6250 == 0 || hz % 2500 == 0 || hz % 3125 == 0; }

std::int64_t NearestRasterFrequency(std::int64_t hz) {
  std::int64_t best = hz;
  std::int64_t bestDistance = -1;
  for (std::int64_t step : {6250, 5000, 2500, 3125}) {
    for (std::int64_t candidate : {hz / step * step, (hz + step) / step * step}) {
      const std::int64_t distance = candidate > hz ? candidate - hz : hz - candidate;
      if (bestDistance < 0 || distance <= bestDistance) {
        best = candidate;
        bestDistance = distance;
      }
    }
  }
  return best;
}

std::string MegahertzText(std::int64_t hz) {
  char text[48];
  std::snprintf(text, sizeof text, "%03lld.%06lld", static_cast<long long>(hz / 1000000),
                static_cast<long long>(hz % 1000000));
  return text;
}

void PackHertzDigits(std::string_view digits, FrequencyField field) {
  auto digit = [&](std::size_t i) { return i < digits.size() ? Nibble(digits[i]) : std::uint8_t{0}; };
  for (std::size_t byte = 0; byte < 4; ++byte) {
    const std::size_t first = 2 * (3 - byte);
    field[byte] = static_cast<std::uint8_t>((digit(first) << 4) | digit(first + 1));
  }
}

std::optional<std::string> ToneToText(ConstToneField field) {
  const unsigned lo = field[0];
  const unsigned hi = field[1];
  if (hi == 0xFF) return std::nullopt;
  char text[16];
  if (hi & 0x80)
    std::snprintf(text, sizeof text, "D%x%02x%c", hi & 0x0F, lo, hi <= 0xBF ? 'N' : 'I');
  else
    std::snprintf(text, sizeof text, "%x%x.%x", hi, lo >> 4, lo & 0x0F);
  return text;
}

void EncodeTone(std::string_view text, ToneField field) {
  field[0] = 0xFF;
  field[1] = 0xFF;
  if (text.empty()) return;
  if (text[0] == 'D' || text[0] == 'd') {
    field[0] = 0x23;  // D023N unless the text is a well-formed code
    field[1] = 0x80;
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    if (text.size() == 5 && octal(text[1]) && octal(text[2]) && octal(text[3])) {
      const std::uint8_t inverted = (text[4] == 'I' || text[4] == 'i') ? 0x40 : 0x00;
      field[1] = static_cast<std::uint8_t>(0x80 | inverted | Nibble(text[1]));
      field[0] = static_cast<std::uint8_t>((Nibble(text[2]) << 4) | Nibble(text[3]));
    }
    return;
  }
  if (!IsDigit(text[0])) return;
  const std::int64_t tenths = std::clamp<std::int64_t>(LeadingInteger(ShiftPoint(text, 1)), 670, 2541);
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", static_cast<int>(tenths));
  field[1] = static_cast<std::uint8_t>((Nibble(digits[0]) << 4) | Nibble(digits[1]));
  field[0] = static_cast<std::uint8_t>((Nibble(digits[2]) << 4) | Nibble(digits[3]));
}

std::string TenthsText(int tenths) { return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10); }

std::optional<int> DecimalTenths(std::string_view text) {
  // Six digits before the point are plenty for any tone and keep the value in range.
  constexpr std::size_t kMaxWholeDigits = 6;
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const auto digits = [](std::string_view part) { return std::all_of(part.begin(), part.end(), IsDigit); };
  if (whole.empty() || whole.size() > kMaxWholeDigits || !digits(whole) || fraction.size() > 1 || !digits(fraction))
    return std::nullopt;
  return static_cast<int>(LeadingInteger(whole) * 10 + (fraction.empty() ? 0 : fraction[0] - '0'));
}

std::optional<int> CtcssTenths(std::string_view text) {
  const std::optional<int> tenths = DecimalTenths(text);
  if (!tenths || *tenths < kCtcssLowestTenths || *tenths > kCtcssHighestTenths) return std::nullopt;
  return tenths;
}

bool IsDcsCode(std::string_view digits) {
  return digits.size() == 3 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; });
}

std::optional<std::string> ParseToneText(std::string_view text, std::string_view noneText) {
  if (text.empty() || ascii::EqualIgnoringCase(text, noneText)) return std::string();
  if (text.size() == 5 && ascii::Lower(text[0]) == 'd' && IsDcsCode(text.substr(1, 3))) {
    const char polarity = ascii::Lower(text[4]);
    if (polarity == 'n' || polarity == 'i') return "D" + std::string(text.substr(1, 3)) + (polarity == 'n' ? "N" : "I");
    return std::nullopt;
  }
  const std::optional<int> tenths = CtcssTenths(text);
  if (!tenths) return std::nullopt;
  return TenthsText(*tenths);
}

int CallFormatToIndex(std::uint8_t formatByte) {
  const auto* found = std::find(kCallFormatNibbles.begin(), kCallFormatNibbles.end(), formatByte & 0x0F);
  return found == kCallFormatNibbles.end() ? -1 : static_cast<int>(found - kCallFormatNibbles.begin());
}

std::uint8_t IndexToCallFormat(std::uint8_t formatByte, int index) {
  if (index < 0 || index >= static_cast<int>(kCallFormatNibbles.size())) return formatByte;
  return static_cast<std::uint8_t>((formatByte & 0xF0) | kCallFormatNibbles[static_cast<std::size_t>(index)]);
}

std::string PasswordText(std::span<const std::uint8_t, 3> password) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", password[0], password[1], password[2]);
  return text;
}

void PasswordFromText(std::string_view text, std::span<std::uint8_t, 3> destination) {
  for (std::size_t i = 0; i < std::min<std::size_t>(6, text.size()); ++i) {
    const char c = text[i];
    std::uint8_t value;
    if (IsDigit(c))
      value = static_cast<std::uint8_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      value = static_cast<std::uint8_t>(c - 'A' + 10);
    else
      break;
    std::uint8_t& byte = destination[i / 2];
    byte = (i % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (value << 4))
                        : static_cast<std::uint8_t>((byte & 0xF0) | value);
  }
}

void HexToBytes(std::string_view text, std::span<std::uint8_t> bytes) {
  auto nibble = [&](std::size_t i) -> std::uint8_t {
    if (i >= text.size()) return 0;
    const int c = static_cast<unsigned char>(text[i]);
    return static_cast<std::uint8_t>((c <= '9' ? c - 0x30 : c - 0x37) & 0x0F);
  };
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>((nibble(2 * i) << 4) | nibble(2 * i + 1));
}

}  // namespace codec
