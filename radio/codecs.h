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
// "N" or "I"; any other D-text stores D023N), anything else no tone.
void EncodeTone(std::string_view text, ToneField field);

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
