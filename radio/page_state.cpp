#include "radio/page_state.h"

namespace page_state {

Control List(int id, std::vector<std::string> entries, int selected, bool enabled) {
  Control control{.id = id, .kind = Kind::List, .entries = std::move(entries), .enabled = enabled};
  control.selected = Selection(selected, control.entries.size());
  return control;
}

Control Check(int id, bool checked, bool enabled) {
  return Control{.id = id, .kind = Kind::Check, .checked = checked, .enabled = enabled};
}

Control Text(int id, std::string text, bool enabled) {
  return Control{.id = id, .kind = Kind::Text, .text = std::move(text), .enabled = enabled};
}

Control Caption(int id, bool enabled) { return Control{.id = id, .kind = Kind::Caption, .enabled = enabled}; }

bool ShowsValue(const Control& control) { return control.kind != Kind::Caption; }

std::string ShownText(const Control& control) {
  switch (control.kind) {
    case Kind::List:
      return control.selected == kNoSelection ? std::string() : control.entries[static_cast<std::size_t>(control.selected)];
    case Kind::Check: return control.checked ? "1" : "0";
    case Kind::Text: return control.text;
    case Kind::Caption: break;
  }
  return {};
}

int Selection(int value, std::size_t count) {
  return value >= 0 && static_cast<std::size_t>(value) < count ? value : kNoSelection;
}

}  // namespace page_state
