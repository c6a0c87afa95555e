#pragma once
// A configuration as the four pages show it, one line per control that shows a stored
// value, in a fixed order: two dumps compare line by line.
//
//   <page>.<control>          every value control of the pages (page template ids 150,
//                             151, 153, 159; control ids ascending)
//   150.<channel>.<column>    the channel table's cells, channels 1-16, columns 1-12
//   153.<set>.<control>       the signalling page's per-set fields, sets 1-4
//   153.code<n>.<column>      the signalling codes' tones, codes 1-16, columns 1-2
//
// Each line is the key, a tab and what the control shows (a list's selected entry, a
// check box's 0 or 1, an edit's text), then a tab and "disabled" when the control is
// disabled (for a cell: when it cannot be edited).

#include <string>
#include <vector>

#include "radio/function_page.h"

class AppFiles;
class CTavroPgmDoc;

namespace config_dump {

struct Line {
  std::string key;
  std::string shown;
  bool disabled = false;
};

// Loading the pages' states normalises the image as the pages do (the message's end byte,
// the scan type without scan members): dump a copy that is not saved afterwards.
std::vector<Line> Lines(CTavroPgmDoc& doc, const AppFiles& files, const function_page::SpeechLanguages& languages);
std::string Format(const Line& line);

}  // namespace config_dump
