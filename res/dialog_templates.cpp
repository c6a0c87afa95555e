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

constexpr std::array kPortControls{
    ControlTemplate{1311, K::GroupBox, {7, 7, 164, 122}, "Communication Port", 0, {}},
    ControlTemplate{1014, K::RadioButton, {16, 20, 148, 10}, "COM1", s::kGroup, {}},
    ControlTemplate{1015, K::RadioButton, {16, 33, 148, 10}, "COM2", 0, {}},
    ControlTemplate{1016, K::RadioButton, {16, 46, 148, 10}, "COM3", 0, {}},
    ControlTemplate{1017, K::RadioButton, {16, 59, 148, 10}, "COM4", 0, {}},
    ControlTemplate{1018, K::RadioButton, {16, 72, 148, 10}, "COM5", 0, {}},
    ControlTemplate{1019, K::RadioButton, {16, 85, 148, 10}, "COM6", 0, {}},
    ControlTemplate{1020, K::RadioButton, {16, 98, 148, 10}, "COM7", 0, {}},
    ControlTemplate{1021, K::RadioButton, {16, 111, 148, 10}, "COM8", 0, {}},
    ControlTemplate{1218, K::CheckBox, {9, 136, 160, 10}, "Auto search COM port", s::kGroup, {}},
    ControlTemplate{kIdOk, K::DefaultButton, {180, 11, 50, 14}, "OK", s::kGroup, {}},
    ControlTemplate{kIdCancel, K::PushButton, {180, 29, 50, 14}, "Cancel", 0, {}},
};

constexpr std::array kTransferControls{
    ControlTemplate{1302, K::Static, {10, 8, 232, 26}, "", 0, {}},
    ControlTemplate{1024, K::ProgressBar, {10, 38, 232, 12}, "", 0, {}},
    ControlTemplate{1217, K::CheckBox, {10, 60, 118, 10}, "Overwrite voice data", s::kHidden, {}},
    ControlTemplate{kIdOk, K::DefaultButton, {136, 58, 50, 14}, "OK", s::kGroup, {}},
    ControlTemplate{kIdCancel, K::PushButton, {192, 58, 50, 14}, "Cancel", 0, {}},
};

constexpr std::array kTemplates{
    DialogTemplate{dialog_id::kAbout, 232, 76, "About Corvane", kAboutControls},
    DialogTemplate{dialog_id::kMainForm, 488, 328, "", kMainFormControls},
    DialogTemplate{dialog_id::kChannelPage, 477, 290, "Channels", kChannelPageControls},
    DialogTemplate{dialog_id::kFunctionPage, 477, 290, "Functions", {}},
    DialogTemplate{dialog_id::kPort, 238, 152, "Communication Port", kPortControls},
    DialogTemplate{dialog_id::kSignallingPage, 460, 298, "2-Tone Signalling", {}},
    DialogTemplate{dialog_id::kTransfer, 252, 80, "Read/Write Radio", kTransferControls},
    DialogTemplate{dialog_id::kScanVoxDtmfPage, 477, 290, "Scan/VOX/DTMF", {}},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& dialog : kTemplates) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}
