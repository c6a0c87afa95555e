#pragma once
// The function page's rules: speech language, squelch, time-out timer, tail
// reversal, options, embedded message, keys and emergency alarm. Every store function
// writes its field at once and marks the document modified when a pick or a click
// comes (also one that picks the stored value); the edits and the long-press step
// mark it only when they change a byte.

#include <string>
#include <string_view>
#include <vector>

#include "radio/page_state.h"
#include "radio/prompt.h"

class AppFiles;
class CTavroPgmDoc;

namespace function_page {

// Control ids of the page (template 151) that show a stored value.
namespace id {
inline constexpr int kSpeechLanguage = 1250;
inline constexpr int kSquelchLevel = 1240;
inline constexpr int kTimeOutTimer = 1238;
inline constexpr int kTailReversal = 1251;
inline constexpr int kRadioVersion = 1143;
inline constexpr int kAnnounceChannel = 1053;
inline constexpr int kBatteryLowNotice = 1065;
inline constexpr int kBatterySave = 1060;
inline constexpr int kRogerTone = 1058;
inline constexpr int kWiredCloneMode = 1061;
inline constexpr int kMessage = 1104;
inline constexpr int kProgrammableKeyMode = 1255;
inline constexpr int kNormalKey = 1252;
inline constexpr int kLongPressDuration = 1141;
inline constexpr int kLongPressUpDown = 1201;
inline constexpr int kShortKey = 1253;
inline constexpr int kLongKey = 1254;
inline constexpr int kEmergencyChannel = 1256;
inline constexpr int kSendEni = 1055;
inline constexpr int kEmergencyId = 1114;
inline constexpr int kLocalAlarm = 1054;
inline constexpr int kSendAlarmTone = 1056;
inline constexpr int kSendBackgroundNoise = 1062;
// Labels and group boxes that the key-mode and emergency enabling rules switch.
inline constexpr int kNormalKeyLabel = 1330;
inline constexpr int kShortKeyLabel = 1331;
inline constexpr int kLongKeyLabel = 1332;
inline constexpr int kLongPressLabel = 1333;
inline constexpr int kEmergencyGroup = 1373;
inline constexpr int kEmergencyChannelLabel = 1371;
inline constexpr int kEmergencyIdLabel = 1359;
}  // namespace id

// The refusal of a free channel chosen for sending the emergency ID.
inline const PromptRequest kFreeChannelRefused{"IDS_ERROR_CH", "", "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok};

// The speech-language list: the voice packages' names in catalogue order and the entry
// whose identifier the document names.
struct SpeechLanguages {
  std::vector<std::string> names;
  int selected = page_state::kNoSelection;
};

// Every control of the page as it shows the document (loading ends the embedded
// message inside its region, as the page does).
page_state::Controls State(CTavroPgmDoc& doc, const AppFiles& files, const SpeechLanguages& languages);

enum class Outcome {
  Stored,
  FreeChannel,  // refused: the chosen channel is not programmed ("IDS_ERROR_CH")
};

// A pick from one of the lists but the speech language. Marks the document modified
// unless refused; a refused pick changes nothing (the list shows the stored channel again).
Outcome StoreChoice(CTavroPgmDoc& doc, int control, int index);
// A speech language picked: the document takes that package's identifier and the
// catalogue selects it for the next write. False, and nothing changed, for an index the
// list does not offer or a package the document's catalogue lacks.
bool StoreSpeechLanguage(CTavroPgmDoc& doc, SpeechLanguages& languages, int index);
// A click on a check box; marks the document modified.
void StoreCheck(CTavroPgmDoc& doc, int control, bool checked);
// One step of the long-press duration (+1 or -1 tenth of a second, within 0.2 to 5.0 s),
// from the shown value: a substituted byte is replaced by the step.
void StepLongPress(CTavroPgmDoc& doc, int direction);
// The emergency ID as typed; stored (and the document marked) only when it differs.
void StoreEmergencyId(CTavroPgmDoc& doc, std::string_view text);
// The embedded message as shown (line breaks "\n"); the document is marked only when a
// byte changed. False, and nothing stored, for a text the message cannot hold (a
// character outside its code page).
bool StoreMessage(CTavroPgmDoc& doc, std::string_view shownText);

}  // namespace function_page
