#pragma once
// Conversions between the radio image's compact byte forms and the texts the
// pages show and accept. Pure functions over bytes; the document applies them
// to its image.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace codec {

using FrequencyField = std::span<std::uint8_t, 4>;
using ConstFrequencyField = std::span<const std::uint8_t, 4>;
using ToneField = std::span<std::uint8_t, 2>;
using ConstToneField = std::span<const std::uint8_t, 2>;

// "146.525000" from packed BCD tens of hertz (least significant pair first); empty
// text for an empty field. Frequencies on the 3.125 kHz raster get their last 5 Hz back.
std::string FrequencyToText(ConstFrequencyField field);

// The typed frequency text with the point moved six places right: "145.5" gives
// "145500000.0". Its leading digits are the frequency in hertz.
std::string HertzDigits(std::string_view text);
// Hertz of a frequency text as typed (megahertz, point optional); extra decimals are dropped.
std::int64_t TextToHz(std::string_view text);

// True when hz lies on one of the channel rasters (6.25, 2.5 or 3.125 kHz).
bool IsOnRaster(std::int64_t hz);
// The nearest frequency on a 6.25, 5, 2.5 or 3.125 kHz raster; on equal distance the
// later candidate (lower, then upper multiple of each step in that order) wins.
std::int64_t NearestRasterFrequency(std::int64_t hz);

// "%03d.%06d" of megahertz and the remainder, e.g. "136.000000".
std::string MegahertzText(std::int64_t hz);

// Packs the first eight characters of a hertz digit string into a field, two per byte,
// most significant pair into byte 3. Missing characters count as 0.
void PackHertzDigits(std::string_view digits, FrequencyField field);

// Tone field as text: "67.0", "D023N", "D754I"; nullopt when the field holds no tone.
std::optional<std::string> ToneToText(ConstToneField field);
// Stores a tone text: CTCSS (clamped to 67.0..254.1 Hz), DCS ("D", three octal digits,
// "N" or "I"; any other D-text stores D023N), anything else no tone. Texts that reach it
// from a user have passed ParseToneText, so the clamp and the D023N fallback never apply.
void EncodeTone(std::string_view text, ToneField field);

// "12.3" of 123 tenths: durations, two-tone and CTCSS frequencies alike.
std::string TenthsText(int tenths);
// Tenths of a decimal number with at most one decimal: digits, then optionally a point and
// one digit ("88.5", "100", "67."). nullopt for anything else ("", ".5", "88.45", "8x").
std::optional<int> DecimalTenths(std::string_view text);

// The CTCSS tones the radio stores: any value from 67.0 to 254.1 Hz, standard or not.
inline constexpr int kCtcssLowestTenths = 670;
inline constexpr int kCtcssHighestTenths = 2541;
// Tenths of a hertz of a CTCSS tone text within that range; nullopt for any other text
// ("023" is 2.3 Hz, "999" too high, "50" too low).
std::optional<int> CtcssTenths(std::string_view text);
// Whether the text is three octal digits, the code of a DCS tone ("023", "777").
bool IsDcsCode(std::string_view digits);

// The one rule for what a tone cell takes, typed, pasted or imported, as the text the tone
// encoder stores: empty text for no tone (empty text, or noneText with the case of its
// letters ignored); "D", three octal digits and "N" or "I" for a DCS code (letters in either
// case; given back in upper case); a CTCSS tone (CtcssTenths) with its one decimal ("67"
// gives "67.0"). nullopt for any other text: it is refused, never stored as something else.
std::optional<std::string> ParseToneText(std::string_view text, std::string_view noneText);

// Call format selector index (0..9) of a format byte's low nibble; -1 for no selection.
int CallFormatToIndex(std::uint8_t formatByte);
// The format byte with its low nibble set for selector index (0..9); high nibble kept.
std::uint8_t IndexToCallFormat(std::uint8_t formatByte, int index);

// Six upper-case hexadecimal digits, high nibble first.
std::string PasswordText(std::span<const std::uint8_t, 3> password);
// Writes up to six digits ("0"-"9", "A"-"F") nibble by nibble; stops at any other
// character, leaving the remaining nibbles unchanged.
void PasswordFromText(std::string_view text, std::span<std::uint8_t, 3> destination);

// Hexadecimal text of a settings entry to bytes, as many as fill `bytes`. Each character
// gives a nibble (upper and lower case digits alike); missing characters give 0.
void HexToBytes(std::string_view text, std::span<std::uint8_t> bytes);

}  // namespace codec
