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
// A DTMF field's typed text stored into it (the emergency ID and the PTT IDs alike); true
// when a byte changed, so that the caller marks the document modified only then.
bool StoreDtmfText(std::string_view text, std::span<std::uint8_t, kDtmfDigits> field);

// The embedded message as the radio stores it: plain 8-bit bytes, a line break is CR LF,
// at most 60 bytes. It is shown in ISO-8859-1 (Latin-1), the one 8-bit code page in which
// every byte value is a character and each character one byte, so that showing a message
// and storing it again gives back every byte. A CR or LF byte that is not part of a line
// break is shown as its control picture (U+240D, U+240A), which stores that byte again.
inline constexpr std::size_t kMessageMaxBytes = 60;
// Shown text (UTF-8, line breaks "\n") as stored bytes; nullopt when it holds a character
// the code page has not (or a NUL, which would end the message early). A CR counts for
// nothing: a shown line break is "\n" alone.
std::optional<std::string> MessageStoredText(std::string_view shown);
// Stored bytes as shown text (UTF-8).
std::string MessageShownText(std::string_view stored);

// The code texts of one built-in table (resource 140-146), in table order.
std::vector<std::string> CodeTable(int resourceId);
// The tone chooser's entries: the "none" text, then the tables that the settings
// key "ctcdcs" selects, in fixed order.
std::vector<std::string> CodeListEntries(const AppFiles& files);

}  // namespace entry
