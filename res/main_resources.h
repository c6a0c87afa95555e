#pragma once
// The main window's resources as data: command ids, the menu with its template
// captions, the toolbar and the accelerator table.

#include <span>
#include <string_view>

namespace command {
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kFirstRecentFile = 57616;
inline constexpr int kRecentFileCount = 4;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kSetupPort = 32771;
inline constexpr int kProgramRead = 32772;
inline constexpr int kProgramWrite = 32773;
inline constexpr int kProgramTest = 32774;
inline constexpr int kHelp = 32775;
inline constexpr int kRadioPassword = 32779;
// Not in the accelerator table: the channel table as a PDF file.
inline constexpr int kFileExportPdf = 32780;
// The settings that differ from another data file.
inline constexpr int kFileCompare = 32781;
// Not in the accelerator table: the channel table from and to a CSV file.
inline constexpr int kFileImportCsv = 32782;
inline constexpr int kFileExportCsv = 32783;
// The radio backups, to open one.
inline constexpr int kFileBackups = 32784;
// Undo and redo of the changes made to the configuration.
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
}  // namespace command

// A menu entry: a command, a separator (id 0), or the place of the recent-file list.
struct MenuItem {
  int id = 0;
  std::string_view caption;    // template caption; the language file replaces it
  std::string_view captionKey;
};
inline constexpr int kRecentFilePlace = -1;

struct MenuTemplate {
  std::string_view caption;
  std::string_view captionKey;
  std::span<const MenuItem> items;
};

// The five menus, in menu-bar order.
std::span<const MenuTemplate> MainMenu();
// Toolbar buttons left to right; 0 is a separator.
std::span<const int> ToolbarButtons();

struct Accelerator {
  char key;  // with Ctrl
  int command;
  bool shift = false;  // with Ctrl and Shift
};
std::span<const Accelerator> AcceleratorTable();
