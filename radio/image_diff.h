#pragma once
// What differs between two configuration images, named as the dump names it: the
// `<page>.<control>` and `150.<channel>.<column>` lines of config_dump whose shown value
// differs, and the offsets of differing bytes that change none of those lines. The one
// place that turns two images into a list of names (a verification after a write uses it).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "radio/image_map.h"

class AppFiles;
class LanguageTexts;

namespace image_diff {

struct Difference {
  std::string name;      // a dump key ("150.1.2") or a byte offset ("0x3C4")
  std::string expected;  // what the first image shows (the byte as two hex digits)
  std::string actual;    // what the second shows
};

using Image = std::span<const std::uint8_t, block::kImageSize>;

// Empty when the images are equal byte for byte. Dump lines come first, in dump order,
// then the remaining bytes by offset; every differing byte is covered by one or the other.
std::vector<Difference> Differences(const AppFiles& files, Image expected, Image actual);

// "CH 1 / TX Freq [MHz] (150.1.4): 446.006250 -> 439.012500", named as the dump names a
// line; a byte offset stands alone: "0x0C0: FF -> 00".
std::string Format(const Difference& difference, const LanguageTexts& texts);

// The verification failure as the user reads it: the text of "IDS_PROMPT_VERIFYFAIL", then
// the first `shown` differences one per line, then "..." when there are more.
std::string FailureText(const AppFiles& files, const std::vector<Difference>& differences, std::size_t shown);

}  // namespace image_diff
