#pragma once
// INI ("private profile") files: settings and language files.
//
// Every call reads the file afresh, so an edited file takes effect at the next
// lookup. Section and key names compare case-insensitively (ASCII), the first
// match wins, values are trimmed and lose one pair of surrounding quotes.
// Files are UTF-8; a size limit truncates in bytes but never splits a character.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace profile {

// Looks a key up in INI text already in memory; nullopt when the section or key is absent.
std::optional<std::string> FindInText(std::string_view text, std::string_view section,
                                      std::string_view key);

// Looks a key up in a file; nullopt when the file, the section or the key is absent.
std::optional<std::string> Find(const std::filesystem::path& file, std::string_view section,
                                std::string_view key);

// The value truncated to maxBytes, or defaultValue (also truncated) when the key is absent.
std::string GetString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view defaultValue, std::size_t maxBytes);

// The leading decimal number of the value; 0 when it does not start with a digit;
// defaultValue when the key is absent or its value empty.
int GetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
           int defaultValue);

// Sets key=value, keeping every other line and comment. The file is replaced atomically
// (temporary file, then rename), so an interrupted write leaves the old file intact.
// Returns false, with errno describing the failure, when the file could not be written.
bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

// Cuts text to at most maxBytes bytes without splitting a UTF-8 sequence.
std::string TruncateUtf8(std::string_view text, std::size_t maxBytes);

// Leading decimal digits as a number (saturating); 0 when there are none.
int LeadingNumber(std::string_view text);

}  // namespace profile
