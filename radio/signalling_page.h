#pragma once
// The two-tone signalling page's rules: the encode timing, the signal codes and the
// four signal sets. Every store function writes its field at once and marks the
// document modified, also when the written value equals the stored one.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "radio/page_state.h"

class AppFiles;
class CTavroPgmDoc;
class LanguageTexts;

namespace signalling_page {

inline constexpr int kSetCount = 4;
inline constexpr int kCodeCount = 16;
// Alarm tones of a decoder: the low bits of its alarm tone byte select one.
inline constexpr int kAlarmToneCount = 8;

// Control ids of the page (template 153) that show or change a stored value.
namespace id {
inline constexpr int kFirstToneDuration = 1120;
inline constexpr int kSecondToneDuration = 1123;
inline constexpr int kLongToneDuration = 1126;
inline constexpr int kToneGap = 1129;
inline constexpr int kFirstToneSpinner = 1204;
inline constexpr int kSecondToneSpinner = 1205;
inline constexpr int kLongToneSpinner = 1206;
inline constexpr int kToneGapSpinner = 1203;
inline constexpr int kSideTone = 1051;
inline constexpr int kCodeGrid = 1199;
inline constexpr int kCodeEntry = 1142;
inline constexpr int kSetTabs = 1200;
inline constexpr int kAlarmTone1 = 1231;
inline constexpr int kCallFormat1 = 1232;
inline constexpr int kCallResponse1 = 1233;
inline constexpr int kAlarmTone2 = 1234;
inline constexpr int kCallFormat2 = 1235;
inline constexpr int kCallResponse2 = 1236;
inline constexpr int kAutoResetTime = 1260;
inline constexpr int kToneA = 1117;
inline constexpr int kToneB = 1118;
inline constexpr int kToneC = 1119;
inline constexpr int kSignalRelation = 1261;
}  // namespace id

inline constexpr std::array<int, 4> kSpinnerIds{id::kFirstToneSpinner, id::kSecondToneSpinner, id::kLongToneSpinner,
                                                id::kToneGapSpinner};
inline constexpr std::array<int, 3> kToneEntryIds{id::kToneA, id::kToneB, id::kToneC};
inline constexpr std::array<int, 7> kSetListIds{id::kAlarmTone1, id::kCallFormat1, id::kCallResponse1,
                                                id::kAlarmTone2, id::kCallFormat2, id::kCallResponse2,
                                                id::kAutoResetTime};

// The controls that are not per set: durations, gap, side tone, signal relation.
page_state::Controls CommonState(const CTavroPgmDoc& doc, const AppFiles& files);
page_state::Controls CommonState(const CTavroPgmDoc& doc, const LanguageTexts& texts);
// The per-set controls (tones, decoders, auto reset time) of set 1 to 4.
page_state::Controls SetState(const CTavroPgmDoc& doc, const AppFiles& files, int set);
page_state::Controls SetState(const CTavroPgmDoc& doc, const LanguageTexts& texts, int set);

// Texts of the set tabs ("IDS_TONE1" to "IDS_TONE4" of section "String").
std::vector<std::string> SetTabTexts(const LanguageTexts& texts);
// Headers of the code grid's columns 0 to 2 ("IDS_TONE0" to "IDS_TONE2" of section
// "Face"); a missing one repeats the header before it, column 0 stays empty then.
std::array<std::string, 3> CodeHeaderTexts(const LanguageTexts& texts);

// Stored two-tone values: tone entry 1117-1119 of set 1 to 4; code 1 to 16, grid column
// 1 (first tone) or 2 (second tone).
std::uint16_t SetTone(const CTavroPgmDoc& doc, int set, int entryId);
std::uint16_t CodeTone(const CTavroPgmDoc& doc, int code, int column);

// A list entry chosen (index 0 upwards) in one of the set lists or the signal relation
// (which is not per set: `set` is not used for it).
void StoreListPick(CTavroPgmDoc& doc, int set, int listId, int index);
// The text of a tone entry or a code cell when the user leaves it. False, with nothing
// changed, for a text that is no two-tone frequency the field holds (entry::TwoToneValue).
bool StoreSetTone(CTavroPgmDoc& doc, int set, int entryId, std::string_view text);
bool StoreCodeTone(CTavroPgmDoc& doc, int code, int column, std::string_view text);
// The dump's keys of a set's tone entry and of a code cell ("153.2.1117", "153.code5.1").
std::string SetToneKey(int set, int entryId);
std::string CodeToneKey(int code, int column);
// The message for a refused two-tone text: "IDS_TWOTONE_REFUSED", the field as the dump
// names it (key) with the text, and what the field takes.
std::string TwoToneRefusedMessage(const LanguageTexts& texts, const std::string& key, std::string_view text);
// One step (+1 or -1) of a duration spinner, from the value shown, kept within its range.
void StepDuration(CTavroPgmDoc& doc, int spinnerId, int direction);
void StoreSideTone(CTavroPgmDoc& doc, bool on);

}  // namespace signalling_page
