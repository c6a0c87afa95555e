#pragma once
// The two-tone signalling page's rules: the encode timing, the signal codes and the
// four signal sets.

#include <string>

#include "radio/page_state.h"

class AppFiles;
class CTavroPgmDoc;

namespace signalling_page {

inline constexpr int kSetCount = 4;
inline constexpr int kCodeCount = 16;

// The controls that are not per set: durations, gap, side tone, signal relation.
page_state::Controls CommonState(const CTavroPgmDoc& doc, const AppFiles& files);
// The per-set controls (tones, decoders, auto reset time) of set 1 to 4.
page_state::Controls SetState(const CTavroPgmDoc& doc, const AppFiles& files, int set);

}  // namespace signalling_page
