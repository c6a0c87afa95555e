#include "res/main_resources.h"

#include <array>

namespace {

using namespace command;

constexpr std::array kFileItems{
    MenuItem{kFileNew, "&New\tCtrl+N", "MENU_FILE_NEW"},
    MenuItem{kFileOpen, "&Open...\tCtrl+O", "MENU_FILE_OPEN"},
    MenuItem{kFileSave, "&Save\tCtrl+S", "MENU_FILE_SAVE"},
    MenuItem{kFileSaveAs, "Save &As...", "MENU_FILE_SAVE_AS"},
    MenuItem{kFileCompare, "Co&mpare With...", "MENU_FILE_COMPARE"},
    MenuItem{kFileBackups, "Radio &Backups...", "MENU_FILE_BACKUPS"},
    MenuItem{},
    MenuItem{kFilePrint, "&Print...\tCtrl+P", "MENU_FILE_PRINT"},
    MenuItem{kFilePrintPreview, "Print Pre&view\tCtrl+V", "MENU_FILE_PRINT_PREVIEW"},
    MenuItem{kFilePrintSetup, "P&rint Setup...", "MENU_FILE_PRINT_SETUP"},
    MenuItem{kFileExportPdf, "&Export PDF...", "MENU_FILE_EXPORT_PDF"},
    MenuItem{},
    MenuItem{kFileImportCsv, "&Import Channels...", "MENU_FILE_IMPORT_CSV"},
    MenuItem{kFileExportCsv, "Export &Channels...", "MENU_FILE_EXPORT_CSV"},
    MenuItem{},
    MenuItem{kRecentFilePlace, "", ""},
    MenuItem{},
    MenuItem{kAppExit, "E&xit\tCtrl+X", "MENU_APP_EXIT"},
};

constexpr std::array kEditItems{
    MenuItem{kEditUndo, "&Undo\tCtrl+Z", "MENU_EDIT_UNDO"},
    MenuItem{kEditRedo, "&Redo\tCtrl+Y", "MENU_EDIT_REDO"},
};

constexpr std::array kProgramItems{
    MenuItem{kProgramRead, "&Read from Radio\tCtrl+R", "MENU_PROGRAM_READ"},
    MenuItem{kProgramWrite, "&Write to Radio\tCtrl+W", "MENU_PROGRAM_WRITE"},
    MenuItem{},
    MenuItem{kProgramTest, "&Test Mode", "MENU_PROGRAM_TEST"},
};

constexpr std::array kSetupItems{
    MenuItem{kSetupPort, "&Communication Port...", "MENU_SETUP_PORT"},
    MenuItem{kRadioPassword, "Radio &Password...", "MENU_SETUP_PASSWORD"},
};

constexpr std::array kHelpItems{
    MenuItem{kHelp, "&Help\tCtrl+H", "MENU_HELP_HELP"},
    MenuItem{},
    MenuItem{kAppAbout, "&About Corvane...\tCtrl+A", "MENU_APP_ABOUT"},
};

constexpr std::array kMenus{
    MenuTemplate{"&File", "MENU_FILE", kFileItems},
    MenuTemplate{"&Edit", "MENU_EDIT", kEditItems},
    MenuTemplate{"&Program", "MENU_PROGRAM", kProgramItems},
    MenuTemplate{"&Setup", "MENU_SETUP", kSetupItems},
    MenuTemplate{"&Help", "MENU_HELP", kHelpItems},
};

constexpr std::array kToolbar{kFileNew, kFileOpen, kFileSave, 0, kProgramRead, kProgramWrite, 0, kFilePrint, 0, kHelp};

constexpr std::array kAccelerators{
    Accelerator{'A', kAppAbout},  Accelerator{'H', kHelp},          Accelerator{'N', kFileNew},
    Accelerator{'O', kFileOpen},  Accelerator{'P', kFilePrint},     Accelerator{'R', kProgramRead},
    Accelerator{'S', kFileSave},  Accelerator{'V', kFilePrintPreview}, Accelerator{'W', kProgramWrite},
    Accelerator{'X', kAppExit},   Accelerator{'Y', kEditRedo},     Accelerator{'Z', kEditUndo},
    Accelerator{'Z', kEditRedo, true},
};

}  // namespace

std::span<const MenuTemplate> MainMenu() { return kMenus; }
std::span<const int> ToolbarButtons() { return kToolbar; }
std::span<const Accelerator> AcceleratorTable() { return kAccelerators; }
