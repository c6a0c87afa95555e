#include "res/dialog_templates.h"

#include <array>

namespace {

using K = ControlKind;
namespace s = control_style;

// Static texts that no caption key names (the platform's "no id").
constexpr int kNoId = 65535;

constexpr std::array kAboutControls{
    ControlTemplate{kNoId, K::Picture, {11, 14, 32, 32}, "", 0, "133"},
    ControlTemplate{kNoId, K::Static, {52, 10, 170, 8}, "Corvane radio programming software", 0, {}},
    ControlTemplate{kNoId, K::Static, {52, 24, 170, 8}, "Version 1.0 for the CV-400 radio family", 0, {}},
    ControlTemplate{kNoId, K::Static, {52, 38, 170, 8}, "Copyright (C) 2026 the Corvane developers", 0, {}},
    ControlTemplate{kIdOk, K::DefaultButton, {172, 54, 50, 14}, "OK", s::kGroup, {}},
};

constexpr std::array kMainFormControls{
    ControlTemplate{1000, K::Tab, {2, 2, 483, 323}, "", 0, {}},
};

constexpr std::array kChannelPageControls{
    ControlTemplate{1300, K::Static, {6, 10, 70, 8}, "Model Information", 0, {}},
    ControlTemplate{1237, K::DropDownList, {86, 8, 123, 112}, "", 0, {}},
    ControlTemplate{1030, K::Custom, {6, 29, 467, 247}, "", 0, "MFCGridCtrl"},
    ControlTemplate{1105, K::Custom, {430, 4, 23, 12}, "", s::kHidden | s::kDisabled, "CFreqEdit"},
    ControlTemplate{1239, K::Custom, {336, 3, 45, 194}, "", s::kHidden | s::kDisabled, "CCodeBox"},
    ControlTemplate{1241, K::Custom, {392, 2, 28, 139}, "", s::kHidden | s::kDisabled, "CAddBox"},
};

constexpr std::array kFunctionPageControls{
    ControlTemplate{1323, K::Static, {21, 19, 88, 8}, "Speech Language", 0, {}},
    ControlTemplate{1250, K::DropDownList, {124, 16, 86, 69}, "", 0, {}},
    ControlTemplate{1306, K::Static, {21, 39, 88, 8}, "Squelch Level", 0, {}},
    ControlTemplate{1240, K::DropDownList, {124, 36, 86, 122}, "", 0, {}},
    ControlTemplate{1305, K::Static, {21, 60, 88, 8}, "Time Out Timer [s]", 0, {}},
    ControlTemplate{1238, K::DropDownList, {124, 57, 86, 120}, "", 0, {}},
    ControlTemplate{1370, K::Static, {21, 82, 88, 8}, "Tail Reversal", 0, {}},
    ControlTemplate{1251, K::DropDownList, {124, 77, 86, 64}, "", 0, {}},
    ControlTemplate{1322, K::Static, {21, 100, 88, 8}, "Radio Version", 0, {}},
    ControlTemplate{1143, K::Edit, {124, 98, 86, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1053, K::CheckBox, {81, 121, 80, 10}, "Announce Channel", 0, {}},
    ControlTemplate{1065, K::CheckBox, {81, 138, 100, 8}, "Batt Low Notice", 0, {}},
    ControlTemplate{1060, K::CheckBox, {81, 155, 64, 10}, "Battery Save", 0, {}},
    ControlTemplate{1058, K::CheckBox, {81, 174, 56, 10}, "Roger Tone", 0, {}},
    ControlTemplate{1061, K::CheckBox, {81, 193, 80, 10}, "Wired Clone Mode", 0, {}},
    ControlTemplate{1301, K::GroupBox, {8, 210, 206, 58}, "Embedded Message", 0, {}},
    ControlTemplate{1104, K::Custom, {14, 224, 194, 36}, "", 0, "CMessageEdit"},
    ControlTemplate{1372, K::GroupBox, {239, 10, 198, 115}, "Key Function", 0, {}},
    ControlTemplate{1334, K::Static, {246, 26, 53, 8}, "Programme Key", 0, {}},
    ControlTemplate{1255, K::DropDownList, {316, 25, 112, 48}, "", 0, {}},
    ControlTemplate{1330, K::Static, {246, 48, 62, 8}, "Normal Key", 0, {}},
    ControlTemplate{1252, K::DropDownList, {316, 45, 112, 112}, "", 0, {}},
    ControlTemplate{1333, K::Static, {246, 68, 101, 8}, "Long Press Duration[s]", 0, {}},
    ControlTemplate{1141, K::Edit, {388, 66, 40, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1201, K::Custom, {417, 66, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1331, K::Static, {246, 88, 61, 8}, "Short Key", 0, {}},
    ControlTemplate{1253, K::DropDownList, {316, 86, 112, 112}, "", 0, {}},
    ControlTemplate{1332, K::Static, {246, 108, 53, 8}, "Long Key Func", 0, {}},
    ControlTemplate{1254, K::DropDownList, {316, 106, 112, 112}, "", 0, {}},
    ControlTemplate{1373, K::GroupBox, {239, 140, 198, 129}, "Emergency Alarm", 0, {}},
    ControlTemplate{1371, K::Static, {246, 156, 81, 8}, "Channel for ENI Send", 0, {}},
    ControlTemplate{1256, K::DropDownList, {336, 153, 92, 92}, "", 0, {}},
    ControlTemplate{1055, K::CheckBox, {246, 171, 83, 10}, "Send ENI", 0, {}},
    ControlTemplate{1359, K::Static, {246, 190, 55, 8}, "Emergency ID", 0, {}},
    ControlTemplate{1114, K::Custom, {336, 186, 92, 12}, "", s::kUpperCase, "CDTMFEdit"},
    ControlTemplate{1054, K::CheckBox, {246, 209, 72, 10}, "Local Alarm", 0, {}},
    ControlTemplate{1056, K::CheckBox, {246, 227, 83, 10}, "Send Alarm Tone", 0, {}},
    ControlTemplate{1062, K::CheckBox, {246, 249, 99, 10}, "Send Background Noise", 0, {}},
};

constexpr std::array kSignallingPageControls{
    ControlTemplate{1376, K::GroupBox, {8, 2, 204, 294}, "Encode", 0, {}},
    ControlTemplate{1377, K::Static, {15, 16, 104, 8}, "1st Tone Duration[s]", 0, {}},
    ControlTemplate{1120, K::Edit, {130, 14, 50, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1204, K::Custom, {169, 14, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1378, K::Static, {15, 34, 104, 8}, "2nd Tone Duration[s]", 0, {}},
    ControlTemplate{1123, K::Edit, {130, 32, 50, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1205, K::Custom, {169, 32, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1363, K::Static, {15, 52, 104, 8}, "Long Tone Duration[s]", 0, {}},
    ControlTemplate{1126, K::Edit, {130, 50, 50, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1206, K::Custom, {169, 50, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1365, K::Static, {15, 70, 104, 8}, "Gap of Tone [s]", 0, {}},
    ControlTemplate{1129, K::Edit, {130, 68, 50, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1203, K::Custom, {169, 68, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1051, K::CheckBox, {15, 84, 120, 10}, "2Tone Side Tone", 0, {}},
    ControlTemplate{1199, K::Custom, {15, 98, 187, 194}, "", 0, "MFCGridCtrl"},
    ControlTemplate{1142, K::Custom, {60, 120, 50, 10}, "", s::kHidden | s::kDisabled, "C2ToneEdit"},
    ControlTemplate{1352, K::GroupBox, {239, 2, 210, 286}, "Decode", 0, {}},
    ControlTemplate{1200, K::Custom, {243, 12, 200, 239}, "", 0, "CSetTabStrip"},
    ControlTemplate{1353, K::GroupBox, {250, 32, 186, 62}, "Decode 1", 0, {}},
    ControlTemplate{1380, K::Static, {258, 46, 58, 8}, "Call Format", 0, {}},
    ControlTemplate{1232, K::DropDownList, {318, 44, 112, 120}, "", 0, {}},
    ControlTemplate{1381, K::Static, {258, 62, 58, 8}, "Call Response", 0, {}},
    ControlTemplate{1233, K::DropDownList, {318, 60, 112, 60}, "", 0, {}},
    ControlTemplate{1379, K::Static, {258, 78, 58, 8}, "Alarm Tone", 0, {}},
    ControlTemplate{1231, K::DropDownList, {318, 76, 112, 100}, "", 0, {}},
    ControlTemplate{1354, K::GroupBox, {250, 100, 186, 62}, "Decode 2", 0, {}},
    ControlTemplate{1383, K::Static, {258, 114, 58, 8}, "Call Format", 0, {}},
    ControlTemplate{1235, K::DropDownList, {318, 112, 112, 120}, "", 0, {}},
    ControlTemplate{1384, K::Static, {258, 130, 58, 8}, "Call Response", 0, {}},
    ControlTemplate{1236, K::DropDownList, {318, 128, 112, 60}, "", 0, {}},
    ControlTemplate{1382, K::Static, {258, 146, 58, 8}, "Alarm Tone", 0, {}},
    ControlTemplate{1234, K::DropDownList, {318, 144, 112, 100}, "", 0, {}},
    ControlTemplate{1361, K::Static, {254, 174, 90, 8}, "Auto Reset Time [s]", 0, {}},
    ControlTemplate{1260, K::DropDownList, {350, 172, 80, 120}, "", 0, {}},
    ControlTemplate{1349, K::Static, {254, 192, 90, 8}, "A Tone [Hz]", 0, {}},
    ControlTemplate{1117, K::Custom, {350, 190, 80, 12}, "", 0, "C2ToneEdit"},
    ControlTemplate{1350, K::Static, {254, 210, 90, 8}, "B Tone [Hz]", 0, {}},
    ControlTemplate{1118, K::Custom, {350, 208, 80, 12}, "", 0, "C2ToneEdit"},
    ControlTemplate{1351, K::Static, {254, 228, 90, 8}, "C Tone [Hz]", 0, {}},
    ControlTemplate{1119, K::Custom, {350, 226, 80, 12}, "", 0, "C2ToneEdit"},
    ControlTemplate{1364, K::Static, {247, 268, 80, 8}, "Signal Relation", 0, {}},
    ControlTemplate{1261, K::DropDownList, {330, 266, 110, 40}, "", 0, {}},
};

constexpr std::array kScanVoxDtmfPageControls{
    ControlTemplate{1307, K::GroupBox, {21, 12, 211, 132}, "Scan Information", 0, {}},
    ControlTemplate{1308, K::Static, {31, 28, 43, 8}, "Scan Type", 0, {}},
    ControlTemplate{1243, K::DropDownList, {108, 26, 110, 92}, "", 0, {}},
    ControlTemplate{1310, K::Static, {31, 47, 58, 8}, "Revert Channel", 0, {}},
    ControlTemplate{1244, K::DropDownList, {108, 45, 110, 83}, "", 0, {}},
    ControlTemplate{1316, K::Static, {31, 69, 72, 8}, "Priority", 0, {}},
    ControlTemplate{1245, K::DropDownList, {148, 64, 70, 56}, "", 0, {}},
    ControlTemplate{1341, K::Static, {31, 86, 65, 8}, "Priority Channel", 0, {}},
    ControlTemplate{1248, K::DropDownList, {148, 83, 70, 120}, "", 0, {}},
    ControlTemplate{1314, K::Static, {31, 106, 111, 8}, "Dropout Delay Time [s]", 0, {}},
    ControlTemplate{1247, K::DropDownList, {148, 104, 70, 120}, "", 0, {}},
    ControlTemplate{1317, K::Static, {31, 125, 110, 8}, "Tx Dwell Time [s]", 0, {}},
    ControlTemplate{1242, K::DropDownList, {148, 122, 70, 120}, "", 0, {}},
    ControlTemplate{1320, K::GroupBox, {21, 159, 209, 100}, "VOX", 0, {}},
    ControlTemplate{1064, K::CheckBox, {31, 171, 96, 10}, "VOX Tone", 0, {}},
    ControlTemplate{1059, K::CheckBox, {31, 185, 94, 10}, "VOX Cancel Operation", 0, {}},
    ControlTemplate{1063, K::CheckBox, {31, 198, 96, 10}, "VOX Check Earphone", 0, {}},
    ControlTemplate{1321, K::Static, {31, 220, 87, 8}, "VOX Gain Level", 0, {}},
    ControlTemplate{1257, K::DropDownList, {148, 216, 70, 103}, "", 0, {}},
    ControlTemplate{1324, K::Static, {31, 240, 76, 8}, "VOX Delay Time [s]", 0, {}},
    ControlTemplate{1258, K::DropDownList, {148, 236, 70, 80}, "", 0, {}},
    ControlTemplate{1312, K::GroupBox, {248, 12, 201, 132}, "DTMF", 0, {}},
    ControlTemplate{1326, K::Static, {258, 25, 89, 9}, "DTMF Speed (digit/s)", 0, {}},
    ControlTemplate{1107, K::Edit, {371, 22, 52, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1210, K::Custom, {425, 21, 11, 14}, "", 0, "CUpDown"},
    ControlTemplate{1327, K::Static, {258, 46, 92, 9}, "First Digit Time (ms)", 0, {}},
    ControlTemplate{1108, K::Edit, {371, 44, 52, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1207, K::Custom, {425, 43, 11, 14}, "", 0, "CUpDown"},
    ControlTemplate{1328, K::Static, {258, 68, 98, 8}, "First Digit Delay (ms)", 0, {}},
    ControlTemplate{1109, K::Edit, {371, 66, 52, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1208, K::Custom, {425, 64, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1303, K::Static, {258, 89, 63, 8}, "* and # (ms)", 0, {}},
    ControlTemplate{1110, K::Edit, {371, 86, 52, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1209, K::Custom, {425, 85, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1304, K::Static, {258, 105, 94, 8}, "D Key Setting", 0, {}},
    ControlTemplate{1113, K::Edit, {371, 103, 52, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1202, K::Custom, {425, 102, 11, 12}, "", 0, "CUpDown"},
    ControlTemplate{1057, K::CheckBox, {305, 125, 70, 11}, "Side Tone", 0, {}},
    ControlTemplate{kNoId, K::GroupBox, {248, 159, 201, 100}, "PTT ID", 0, {}},
    ControlTemplate{1318, K::Static, {258, 188, 31, 8}, "PTT ID", 0, {}},
    ControlTemplate{1259, K::DropDownList, {345, 186, 85, 71}, "", 0, {}},
    ControlTemplate{1374, K::Static, {258, 211, 56, 8}, "BOT PTT ID", 0, {}},
    ControlTemplate{1140, K::Custom, {345, 207, 85, 12}, "", s::kUpperCase, "CDTMFEdit"},
    ControlTemplate{1375, K::Static, {258, 231, 66, 8}, "EOT PTT ID", 0, {}},
    ControlTemplate{1139, K::Custom, {345, 227, 85, 12}, "", s::kUpperCase, "CDTMFEdit"},
};

constexpr std::array kPortControls{
    ControlTemplate{1311, K::GroupBox, {7, 7, 330, 122}, "Communication Port", 0, {}},
    ControlTemplate{1014, K::RadioButton, {16, 20, 316, 10}, "COM1", s::kGroup, {}},
    ControlTemplate{1015, K::RadioButton, {16, 33, 316, 10}, "COM2", 0, {}},
    ControlTemplate{1016, K::RadioButton, {16, 46, 316, 10}, "COM3", 0, {}},
    ControlTemplate{1017, K::RadioButton, {16, 59, 316, 10}, "COM4", 0, {}},
    ControlTemplate{1018, K::RadioButton, {16, 72, 316, 10}, "COM5", 0, {}},
    ControlTemplate{1019, K::RadioButton, {16, 85, 316, 10}, "COM6", 0, {}},
    ControlTemplate{1020, K::RadioButton, {16, 98, 316, 10}, "COM7", 0, {}},
    ControlTemplate{1021, K::RadioButton, {16, 111, 316, 10}, "COM8", 0, {}},
    ControlTemplate{1218, K::CheckBox, {9, 136, 200, 10}, "Auto search COM port", s::kGroup, {}},
    ControlTemplate{1390, K::Static, {9, 155, 70, 8}, "COM number", 0, {}},
    ControlTemplate{1391, K::DropDownList, {82, 152, 60, 100}, "", 0, {}},
    ControlTemplate{1392, K::Edit, {7, 170, 386, 40}, "", s::kMultiLine | s::kReadOnly, {}},
    ControlTemplate{1393, K::Static, {9, 218, 300, 8}, "USB serial cables", 0, {}},
    ControlTemplate{1394, K::ListView, {7, 228, 386, 66}, "", 0, {}},
    ControlTemplate{1395, K::Static, {9, 301, 244, 16}, "", 0, {}},
    ControlTemplate{1396, K::PushButton, {259, 299, 134, 14}, "Assign to the COM number", 0, {}},
    ControlTemplate{kIdOk, K::DefaultButton, {343, 11, 50, 14}, "OK", s::kGroup, {}},
    ControlTemplate{kIdCancel, K::PushButton, {343, 29, 50, 14}, "Cancel", 0, {}},
};

constexpr std::array kTransferControls{
    ControlTemplate{1302, K::Static, {10, 8, 232, 26}, "", 0, {}},
    ControlTemplate{1024, K::ProgressBar, {10, 38, 232, 12}, "", 0, {}},
    ControlTemplate{1217, K::CheckBox, {10, 58, 118, 10}, "Overwrite voice data", s::kHidden, {}},
    ControlTemplate{1227, K::CheckBox, {10, 70, 118, 10}, "Verify after writing", s::kHidden, {}},
    ControlTemplate{1228, K::CheckBox, {10, 82, 232, 10}, "Also write the alignment values and radio password of this file",
                    s::kHidden, {}},
    ControlTemplate{1229, K::CheckBox, {10, 94, 232, 10}, "Back up the radio before writing", s::kHidden, {}},
    ControlTemplate{kIdOk, K::DefaultButton, {136, 64, 50, 14}, "OK", s::kGroup, {}},
    ControlTemplate{kIdCancel, K::PushButton, {192, 64, 50, 14}, "Cancel", 0, {}},
};

constexpr std::array kTestModeControls{
    ControlTemplate{1325, K::Static, {10, 12, 96, 8}, "Please input password:", 0, {}},
    ControlTemplate{1106, K::Edit, {108, 10, 68, 12}, "", 0, {}},
    ControlTemplate{1052, K::CheckBox, {10, 32, 100, 10}, "Manual Adjust", s::kDisabled, {}},
    ControlTemplate{1081, K::PushButton, {10, 52, 52, 14}, "Test 1", s::kDisabled | s::kGroup, {}},
    ControlTemplate{1080, K::PushButton, {67, 52, 52, 14}, "Test 2", s::kDisabled, {}},
    ControlTemplate{1082, K::PushButton, {124, 52, 52, 14}, "Exit", 0, {}},
};

// The alignment items in four columns: readings, tune points and tones, power points,
// CTCSS levels; the tab order is that of the item list.
constexpr int kTestItemColumn[] = {12, 70, 128, 186};
constexpr DialogRect TestItemRect(int column, int row) { return {kTestItemColumn[column], 10 + 13 * row, 54, 10}; }
constexpr std::array kTestFunctionControls{
    ControlTemplate{1188, K::RadioButton, TestItemRect(0, 0), "Voltage", s::kGroup, {}},
    ControlTemplate{1183, K::RadioButton, TestItemRect(0, 1), "SQL3", 0, {}},
    ControlTemplate{1184, K::RadioButton, TestItemRect(0, 2), "SQL9", 0, {}},
    ControlTemplate{1186, K::RadioButton, TestItemRect(0, 3), "VOX1", 0, {}},
    ControlTemplate{1187, K::RadioButton, TestItemRect(0, 4), "VOX5", 0, {}},
    ControlTemplate{1168, K::RadioButton, TestItemRect(3, 0), "CTCL", 0, {}},
    ControlTemplate{1182, K::RadioButton, TestItemRect(3, 1), "CTCM", 0, {}},
    ControlTemplate{1181, K::RadioButton, TestItemRect(3, 2), "CTCH", 0, {}},
    ControlTemplate{1185, K::RadioButton, TestItemRect(1, 3), "DCS", 0, {}},
    ControlTemplate{1178, K::RadioButton, TestItemRect(1, 4), "2T", 0, {}},
    ControlTemplate{1169, K::RadioButton, TestItemRect(1, 0), "L Tune", 0, {}},
    ControlTemplate{1170, K::RadioButton, TestItemRect(1, 1), "M Tune", 0, {}},
    ControlTemplate{1171, K::RadioButton, TestItemRect(1, 2), "H Tune", 0, {}},
    ControlTemplate{1172, K::RadioButton, TestItemRect(2, 0), "L L P", 0, {}},
    ControlTemplate{1173, K::RadioButton, TestItemRect(2, 1), "M L P", 0, {}},
    ControlTemplate{1174, K::RadioButton, TestItemRect(2, 2), "H L P", 0, {}},
    ControlTemplate{1175, K::RadioButton, TestItemRect(2, 3), "L H P", 0, {}},
    ControlTemplate{1176, K::RadioButton, TestItemRect(2, 4), "M H P", 0, {}},
    ControlTemplate{1177, K::RadioButton, TestItemRect(2, 5), "H H P", 0, {}},
    ControlTemplate{1179, K::RadioButton, TestItemRect(3, 3), "L CTCM", 0, {}},
    ControlTemplate{1180, K::RadioButton, TestItemRect(3, 4), "H CTCM", 0, {}},
    ControlTemplate{1193, K::Slider, {8, 92, 168, 16}, "", s::kGroup, {}},
    ControlTemplate{1101, K::Edit, {182, 94, 36, 12}, "", s::kReadOnly, {}},
    ControlTemplate{1211, K::Custom, {218, 94, 10, 12}, "", 0, "CUpDown"},
    ControlTemplate{1319, K::Static, {12, 118, 12, 12}, "", 0, {}},
    ControlTemplate{1083, K::PushButton, {128, 116, 52, 14}, "Save", s::kGroup, {}},
    ControlTemplate{1082, K::PushButton, {186, 116, 52, 14}, "Exit", 0, {}},
};

// The calibration table in three columns (general and tune points, tone levels, power
// points), listed in the order Tab walks them. A caption shares the id of the same item's
// button in the alignment dialog (157), so both windows name an item with one text.
constexpr std::array kCalibrationControls{
    ControlTemplate{1188, K::Static, {10, 12, 42, 8}, "Voltage", 0, {}},
    ControlTemplate{1102, K::Edit, {54, 10, 34, 12}, "", 0, {}},
    ControlTemplate{1183, K::Static, {10, 28, 42, 8}, "SQL3", 0, {}},
    ControlTemplate{1115, K::Edit, {54, 26, 34, 12}, "", 0, {}},
    ControlTemplate{1184, K::Static, {10, 44, 42, 8}, "SQL9", 0, {}},
    ControlTemplate{1116, K::Edit, {54, 42, 34, 12}, "", 0, {}},
    ControlTemplate{1169, K::Static, {10, 60, 42, 8}, "L Tune", 0, {}},
    ControlTemplate{1103, K::Edit, {54, 58, 34, 12}, "", 0, {}},
    ControlTemplate{1170, K::Static, {10, 76, 42, 8}, "M Tune", 0, {}},
    ControlTemplate{1121, K::Edit, {54, 74, 34, 12}, "", 0, {}},
    ControlTemplate{1171, K::Static, {10, 92, 42, 8}, "H Tune", 0, {}},
    ControlTemplate{1122, K::Edit, {54, 90, 34, 12}, "", 0, {}},
    ControlTemplate{1186, K::Static, {10, 108, 42, 8}, "VOX1", 0, {}},
    ControlTemplate{1124, K::Edit, {54, 106, 34, 12}, "", 0, {}},
    ControlTemplate{1187, K::Static, {10, 124, 42, 8}, "VOX5", 0, {}},
    ControlTemplate{1125, K::Edit, {54, 122, 34, 12}, "", 0, {}},
    ControlTemplate{1168, K::Static, {102, 12, 42, 8}, "CTCL", 0, {}},
    ControlTemplate{1128, K::Edit, {146, 10, 34, 12}, "", 0, {}},
    ControlTemplate{1182, K::Static, {102, 28, 42, 8}, "CTCM", 0, {}},
    ControlTemplate{1127, K::Edit, {146, 26, 34, 12}, "", 0, {}},
    ControlTemplate{1181, K::Static, {102, 44, 42, 8}, "CTCH", 0, {}},
    ControlTemplate{1130, K::Edit, {146, 42, 34, 12}, "", 0, {}},
    ControlTemplate{1185, K::Static, {102, 60, 42, 8}, "DCS", 0, {}},
    ControlTemplate{1131, K::Edit, {146, 58, 34, 12}, "", 0, {}},
    ControlTemplate{1178, K::Static, {102, 76, 42, 8}, "2T", 0, {}},
    ControlTemplate{1132, K::Edit, {146, 74, 34, 12}, "", 0, {}},
    ControlTemplate{1179, K::Static, {102, 92, 42, 8}, "L CTCM", 0, {}},
    ControlTemplate{1111, K::Edit, {146, 90, 34, 12}, "", 0, {}},
    ControlTemplate{1180, K::Static, {102, 108, 42, 8}, "H CTCM", 0, {}},
    ControlTemplate{1112, K::Edit, {146, 106, 34, 12}, "", 0, {}},
    ControlTemplate{1172, K::Static, {194, 12, 42, 8}, "L L P", 0, {}},
    ControlTemplate{1133, K::Edit, {238, 10, 34, 12}, "", 0, {}},
    ControlTemplate{1175, K::Static, {194, 28, 42, 8}, "L H P", 0, {}},
    ControlTemplate{1134, K::Edit, {238, 26, 34, 12}, "", 0, {}},
    ControlTemplate{1173, K::Static, {194, 44, 42, 8}, "M L P", 0, {}},
    ControlTemplate{1135, K::Edit, {238, 42, 34, 12}, "", 0, {}},
    ControlTemplate{1176, K::Static, {194, 60, 42, 8}, "M H P", 0, {}},
    ControlTemplate{1136, K::Edit, {238, 58, 34, 12}, "", 0, {}},
    ControlTemplate{1174, K::Static, {194, 76, 42, 8}, "H L P", 0, {}},
    ControlTemplate{1137, K::Edit, {238, 74, 34, 12}, "", 0, {}},
    ControlTemplate{1177, K::Static, {194, 92, 42, 8}, "H H P", 0, {}},
    ControlTemplate{1138, K::Edit, {238, 90, 34, 12}, "", 0, {}},
    ControlTemplate{1084, K::PushButton, {120, 144, 48, 14}, "Read", s::kGroup, {}},
    ControlTemplate{1085, K::PushButton, {172, 144, 48, 14}, "Write", 0, {}},
    ControlTemplate{1082, K::PushButton, {224, 144, 48, 14}, "Exit", 0, {}},
};

constexpr std::array kAuthorizationControls{
    ControlTemplate{kNoId, K::GroupBox, {7, 4, 236, 80}, "Input Password", 0, {}},
    ControlTemplate{1219, K::Edit, {16, 19, 80, 13}, "", 0, {}},
    ControlTemplate{1220, K::PushButton, {104, 18, 130, 14}, "Load password from file", 0, {}},
    ControlTemplate{1221, K::CheckBox, {16, 42, 150, 10}, "Always transmit low power", 0, {}},
    ControlTemplate{1222, K::PushButton, {184, 62, 50, 14}, "Program", 0, {}},
    ControlTemplate{kNoId, K::GroupBox, {7, 90, 236, 80}, "Change Password", 0, {}},
    ControlTemplate{kNoId, K::Static, {16, 107, 64, 8}, "New password", 0, {}},
    ControlTemplate{1223, K::Edit, {84, 105, 80, 13}, "", 0, {}},
    ControlTemplate{kNoId, K::Static, {16, 127, 64, 8}, "Once more", 0, {}},
    ControlTemplate{1224, K::Edit, {84, 125, 80, 13}, "", 0, {}},
    ControlTemplate{1225, K::PushButton, {16, 148, 110, 14}, "Save password to file", 0, {}},
    ControlTemplate{1226, K::PushButton, {184, 148, 50, 14}, "Program", 0, {}},
    ControlTemplate{kIdCancel, K::PushButton, {193, 177, 50, 14}, "Cancel", 0, {}},
};

constexpr std::array kBackupsControls{
    ControlTemplate{1400, K::Static, {9, 8, 300, 8}, "Radio backups, newest first", 0, {}},
    ControlTemplate{1401, K::ListView, {7, 18, 386, 170}, "", 0, {}},
    ControlTemplate{1402, K::Static, {9, 194, 384, 16}, "", 0, {}},
    ControlTemplate{1403, K::PushButton, {7, 216, 90, 14}, "Open Folder", 0, {}},
    ControlTemplate{kIdOk, K::DefaultButton, {287, 216, 50, 14}, "Open", s::kGroup, {}},
    ControlTemplate{kIdCancel, K::PushButton, {343, 216, 50, 14}, "Close", 0, {}},
};

constexpr std::array kTemplates{
    DialogTemplate{dialog_id::kAbout, 232, 76, "About Corvane", kAboutControls},
    DialogTemplate{dialog_id::kMainForm, 488, 328, "", kMainFormControls},
    DialogTemplate{dialog_id::kChannelPage, 477, 290, "Channels", kChannelPageControls},
    DialogTemplate{dialog_id::kFunctionPage, 477, 290, "Functions", kFunctionPageControls},
    DialogTemplate{dialog_id::kPort, 400, 320, "Communication Port", kPortControls},
    DialogTemplate{dialog_id::kSignallingPage, 460, 298, "2-Tone Signalling", kSignallingPageControls},
    DialogTemplate{dialog_id::kCalibration, 282, 166, "Test 2 - Calibration Data", kCalibrationControls},
    DialogTemplate{dialog_id::kTestMode, 186, 76, "Test Mode", kTestModeControls},
    DialogTemplate{dialog_id::kTestFunction, 248, 138, "Test 1 - Alignment", kTestFunctionControls},
    DialogTemplate{dialog_id::kTransfer, 252, 110, "Read/Write Radio", kTransferControls},
    DialogTemplate{dialog_id::kScanVoxDtmfPage, 477, 290, "Scan/VOX/DTMF", kScanVoxDtmfPageControls},
    DialogTemplate{dialog_id::kAuthorization, 250, 198, "Authorization", kAuthorizationControls},
    DialogTemplate{dialog_id::kBackups, 400, 238, "Radio Backups", kBackupsControls},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& dialog : kTemplates) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}
