#pragma once
// The scan, VOX and DTMF page's rules.

#include "radio/page_state.h"

class AppFiles;
class CTavroPgmDoc;

namespace scan_page {

// Every control of the page as it shows the document (with the scan enabling rule,
// which counts the scan members as the page does).
page_state::Controls State(CTavroPgmDoc& doc, const AppFiles& files);

}  // namespace scan_page
