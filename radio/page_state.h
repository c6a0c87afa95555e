#pragma once
// What the controls of an editing page show, worked out from the image alone: the
// stored value turned into the shown entry (with the substitutes for values out of
// range) and the enabling rules. The page widgets show these states and
// `corvane-cli dump` prints them, so each rule has one home.

#include <string>
#include <vector>

namespace page_state {

enum class Kind {
  List,     // drop-down list: its entries and the selected one
  Check,    // check box
  Text,     // edit field (also the edit beside an up-down control)
  Caption,  // label or group box: only whether it is enabled
};

inline constexpr int kNoSelection = -1;

struct Control {
  int id = 0;
  Kind kind = Kind::Caption;
  std::vector<std::string> entries;  // List
  int selected = kNoSelection;       // List
  bool checked = false;              // Check
  std::string text;                  // Text
  bool enabled = true;
};
using Controls = std::vector<Control>;

Control List(int id, std::vector<std::string> entries, int selected, bool enabled = true);
Control Check(int id, bool checked, bool enabled = true);
Control Text(int id, std::string text, bool enabled = true);
Control Caption(int id, bool enabled);

// Whether the control shows a stored value (every kind but a caption).
bool ShowsValue(const Control& control);
// What the control shows: the selected entry's text (empty for none), "0" or "1", or the text.
std::string ShownText(const Control& control);

// The entry index of `value` in a list of `count` entries, or no selection when the list is shorter.
int Selection(int value, std::size_t count);

}  // namespace page_state
