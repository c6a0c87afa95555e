#pragma once
// The items of the calibration table (the test mode's "Test 2"): the edit that shows each
// alignment value, its caption and its byte in the calibration area. The table, the
// command line's calibration file and the names of the dump, the comparisons and the
// undo captions all use this one list.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "radio/image_map.h"

struct CalibrationField {
  int editId;
  std::string_view caption;
  std::size_t offset;
};

// In the order of the table (the calibration file's order too).
inline constexpr std::array<CalibrationField, 21> kCalibrationFields = {{
    {1102, "Voltage", image::calibration::kVoltage},
    {1115, "SQL3", image::calibration::kSql3},
    {1116, "SQL9", image::calibration::kSql9},
    {1103, "L Tune", image::calibration::kLowTune},
    {1121, "M Tune", image::calibration::kMiddleTune},
    {1122, "H Tune", image::calibration::kHighTune},
    {1124, "VOX1", image::calibration::kVox1},
    {1125, "VOX5", image::calibration::kVox5},
    {1128, "CTCL", image::calibration::kCtcssLow},
    {1127, "CTCM", image::calibration::kCtcssMiddle},
    {1130, "CTCH", image::calibration::kCtcssHigh},
    {1131, "DCS", image::calibration::kDcs},
    {1132, "2T", image::calibration::kTwoTone},
    {1111, "L CTCM", image::calibration::kLowCtcssModulation},
    {1112, "H CTCM", image::calibration::kHighCtcssModulation},
    {1133, "L L P", image::calibration::kLowLowPower},
    {1134, "L H P", image::calibration::kLowHighPower},
    {1135, "M L P", image::calibration::kMiddleLowPower},
    {1136, "M H P", image::calibration::kMiddleHighPower},
    {1137, "H L P", image::calibration::kHighLowPower},
    {1138, "H H P", image::calibration::kHighHighPower},
}};

inline std::span<const CalibrationField> CalibrationFields() { return kCalibrationFields; }
