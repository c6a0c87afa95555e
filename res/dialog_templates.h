#pragma once
// Dialog templates as data: every dialog and page of the program is a numbered
// template whose controls carry a numeric id, a kind, a rectangle in dialog units
// and a default text. The ids also key the captions of the language file
// (section "Resource", "^<id>"), so they are part of its interface.

#include <cstdint>
#include <span>
#include <string_view>

enum class ControlKind {
  Static,          // text label
  Picture,         // the program's bitmap or icon
  GroupBox,
  PushButton,
  DefaultButton,   // the push button that Enter presses
  CheckBox,
  RadioButton,
  Edit,
  DropDownList,    // combo box without an edit field
  DropDownCombo,   // combo box with an edit field
  ProgressBar,
  Slider,
  Spin,            // up-down control
  Tab,
  ListView,        // rows of several columns, one selected at a time
  Custom,          // a control class of the program, named by ControlTemplate::className
};

// Window styles of a control as the template gives them.
namespace control_style {
inline constexpr std::uint32_t kHidden = 0x01;
inline constexpr std::uint32_t kDisabled = 0x02;
inline constexpr std::uint32_t kUpperCase = 0x04;  // edit: typed letters become capitals
inline constexpr std::uint32_t kReadOnly = 0x08;
inline constexpr std::uint32_t kGroup = 0x10;      // radio button: starts a new group
inline constexpr std::uint32_t kVertical = 0x20;   // slider
inline constexpr std::uint32_t kMultiLine = 0x40;  // edit: several lines, wrapped
}  // namespace control_style

struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  int id = 0;
  ControlKind kind = ControlKind::Static;
  DialogRect rect;
  std::string_view text;
  std::uint32_t style = 0;
  std::string_view className;  // Custom controls only
};

struct DialogTemplate {
  int id = 0;
  int width = 0;   // dialog units
  int height = 0;
  std::string_view caption;
  std::span<const ControlTemplate> controls;
};

// Standard control ids of every dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Template ids.
namespace dialog_id {
inline constexpr int kAbout = 100;
inline constexpr int kMainForm = 101;
inline constexpr int kChannelPage = 150;
inline constexpr int kFunctionPage = 151;
inline constexpr int kPort = 152;
inline constexpr int kSignallingPage = 153;
inline constexpr int kCalibration = 154;
inline constexpr int kTestMode = 155;
inline constexpr int kTestFunction = 157;
inline constexpr int kTransfer = 158;
inline constexpr int kScanVoxDtmfPage = 159;
inline constexpr int kAuthorization = 161;
inline constexpr int kBackups = 162;
}  // namespace dialog_id

// nullptr for an id no template has.
const DialogTemplate* FindDialogTemplate(int id);
