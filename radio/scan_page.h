#pragma once
// The scan, VOX and DTMF page's rules: scan settings (available only while at least two
// used channels are scanned), VOX, DTMF timing and the PTT ID codes. The store functions
// write their field at once and mark the document modified, as every change of the page
// does (also a step stopped at its limit); only the PTT ID codes are written, and mark
// the document, when they differ from the stored ones.

#include <array>
#include <optional>
#include <string_view>

#include "radio/page_state.h"
#include "radio/prompt.h"

class AppFiles;
class CTavroPgmDoc;
class LanguageTexts;

namespace scan_page {

// Control ids of the page (template 159) that show or change a stored value, and the
// captions that the scan enabling rule switches.
namespace id {
inline constexpr int kScanGroup = 1307;
inline constexpr int kScanTypeLabel = 1308;
inline constexpr int kScanType = 1243;
inline constexpr int kRevertChannelLabel = 1310;
inline constexpr int kRevertChannel = 1244;
inline constexpr int kPriorityLabel = 1316;
inline constexpr int kPriority = 1245;
inline constexpr int kPriorityChannelLabel = 1341;
inline constexpr int kPriorityChannel = 1248;
inline constexpr int kDropoutDelayLabel = 1314;
inline constexpr int kDropoutDelay = 1247;
inline constexpr int kTransmitDwellLabel = 1317;
inline constexpr int kTransmitDwell = 1242;
inline constexpr int kVoxTone = 1064;
inline constexpr int kVoxCancel = 1059;
inline constexpr int kVoxCheckEarphone = 1063;
inline constexpr int kVoxGain = 1257;
inline constexpr int kVoxDelay = 1258;
inline constexpr int kDtmfSpeed = 1107;
inline constexpr int kDtmfSpeedSpinner = 1210;
inline constexpr int kFirstDigitTime = 1108;
inline constexpr int kFirstDigitTimeSpinner = 1207;
inline constexpr int kFirstDigitDelay = 1109;
inline constexpr int kFirstDigitDelaySpinner = 1208;
inline constexpr int kStarHashTime = 1110;
inline constexpr int kStarHashTimeSpinner = 1209;
inline constexpr int kDKey = 1113;
inline constexpr int kDKeySpinner = 1202;
inline constexpr int kSideTone = 1057;
inline constexpr int kPttIdMode = 1259;
inline constexpr int kBotPttId = 1140;
inline constexpr int kEotPttId = 1139;
}  // namespace id

inline constexpr std::array<int, 9> kListIds{id::kScanType,        id::kRevertChannel, id::kPriority,
                                             id::kPriorityChannel, id::kDropoutDelay,  id::kTransmitDwell,
                                             id::kVoxGain,         id::kVoxDelay,      id::kPttIdMode};
inline constexpr std::array<int, 4> kCheckIds{id::kVoxTone, id::kVoxCancel, id::kVoxCheckEarphone, id::kSideTone};
inline constexpr std::array<int, 5> kSpinnerIds{id::kDtmfSpeedSpinner, id::kFirstDigitTimeSpinner,
                                                id::kFirstDigitDelaySpinner, id::kStarHashTimeSpinner,
                                                id::kDKeySpinner};
inline constexpr std::array<int, 2> kPttIdEditIds{id::kBotPttId, id::kEotPttId};

// The refusal of a free channel chosen as priority channel.
inline const PromptRequest kFreeChannelRefused{"IDS_ERROR_CH", "", "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok};

// Every control of the page as it shows the document, with the scan enabling rule. That
// rule counts the scan members as the page does, which forces the first scan type when
// fewer than two channels are scanned: hence the document is not const.
page_state::Controls State(CTavroPgmDoc& doc, const AppFiles& files);
page_state::Controls State(CTavroPgmDoc& doc, const LanguageTexts& texts);

// A list entry chosen (index 0 upwards); an index the list does not offer changes nothing.
// A free channel chosen as priority channel is refused: the field keeps its channel and
// the message to show is returned (the list then shows no selection).
std::optional<PromptRequest> StoreListPick(CTavroPgmDoc& doc, int listId, int index);
void StoreCheck(CTavroPgmDoc& doc, int checkId, bool checked);
// One step (+1 up, -1 down) of an up-down control, from the value shown.
void Step(CTavroPgmDoc& doc, int spinnerId, int direction);
// The text of a PTT ID edit when the user leaves it; true when the stored code changed.
bool StorePttId(CTavroPgmDoc& doc, int editId, std::string_view text);

}  // namespace scan_page
