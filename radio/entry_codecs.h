#pragma once
// Text conversions of the entry controls: two-tone frequencies, DTMF codes and
// the CTCSS/DCS code lists offered by the tone chooser.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class AppFiles;

namespace entry {

inline constexpr std::uint16_t kNoTwoTone = 0xFFFF;
inline constexpr std::uint16_t kTwoToneMin = 4000;    // 400.0 Hz
inline constexpr std::uint16_t kTwoToneMax = 31068;   // 3106.8 Hz

// "%d.%d" of tenths of a hertz; empty text for no tone.
std::string TwoToneText(std::uint16_t value);
// Tenths of a hertz of a typed two-tone frequency: no tone for empty text; digits with at
// most one decimal from 400.0 to 3106.8 Hz, what the field holds. nullopt for any other
// text: it is refused, never clamped to the nearer limit.
std::optional<std::uint16_t> TwoToneValue(std::string_view text);

inline constexpr std::size_t kDtmfDigits = 16;
inline constexpr std::uint8_t kDtmfEnd = 0xFF;
// The digit string of a 16-byte DTMF code ("0"-"9", "A"-"D", "*", "#").
std::string DtmfText(std::span<const std::uint8_t, kDtmfDigits> code);
// Fills a DTMF code from text; the first character that is not a DTMF digit ends it.
void DtmfFromText(std::string_view text, std::span<std::uint8_t, kDtmfDigits> code);

// The embedded message as the radio stores it: a line break is CR LF, at most 60 bytes.
inline constexpr std::size_t kMessageMaxBytes = 60;
// Stored text of shown text (line breaks "\n") and shown text of stored text.
std::string MessageStoredText(std::string_view shown);
std::string MessageShownText(std::string_view stored);

// The code texts of one built-in table (resource 140-146), in table order.
std::vector<std::string> CodeTable(int resourceId);
// The tone chooser's entries: the "none" text, then the tables that the settings
// key "ctcdcs" selects, in fixed order.
std::vector<std::string> CodeListEntries(const AppFiles& files);

}  // namespace entry
