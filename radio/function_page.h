#pragma once
// The function page's rules: speech language, squelch, time-out timer, tail
// reversal, options, embedded message, keys and emergency alarm.

#include <string>
#include <vector>

#include "radio/page_state.h"

class AppFiles;
class CTavroPgmDoc;

namespace function_page {

// The speech-language list: the voice packages' names in catalogue order and the entry
// whose identifier the document names.
struct SpeechLanguages {
  std::vector<std::string> names;
  int selected = page_state::kNoSelection;
};

// Every control of the page as it shows the document (loading ends the embedded
// message inside its region, as the page does).
page_state::Controls State(CTavroPgmDoc& doc, const AppFiles& files, const SpeechLanguages& languages);

}  // namespace function_page
