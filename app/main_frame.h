#pragma once
// CMainFrame: the program's one top-level window. Menu, toolbar, the accelerator
// table, tool tips, help, the view as its client, and closing that commits an edit
// in progress before the question about unsaved changes.

#include <QMainWindow>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CTavroPgmApp;
class CTavroPgmView;
class QAction;
class QKeyEvent;
class QMenu;
class QPrinter;
class QToolBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kToolTipLength = 19;
  static constexpr int kInitialWidth = 750;
  static constexpr int kInitialHeight = 600;

  explicit CMainFrame(CTavroPgmApp& app);
  ~CMainFrame() override;

  CTavroPgmView& View() { return *view_; }
  QAction* Action(int commandId) const;
  QToolBar& ToolBar() { return *toolBar_; }

  // Runs a command as the menu, the toolbar or a shortcut does.
  void OnCommand(int commandId);
  // Stores the edit in progress in the focused field, which keeps the focus.
  void CommitFocusedEdit();
  // Menu captions from the language file.
  void ApplyMenuTexts();
  // "<document> - Corvane".
  void UpdateTitle();
  void UpdateRecentFileMenu();
  // After New or Open: the view reloads, and a window too small for the form grows.
  void OnInitialUpdate();
  // After the image was replaced (read from the radio, model change).
  void OnImageReplaced();

  // The tool tip of a command: "IDS_TIP_<id>", cut to 19 characters.
  QString ToolTipText(int commandId) const;
  // The user manual, an HTML page with its pictures in a folder beside the language files.
  static constexpr const char* kManualDirectory = "manual";
  static constexpr const char* kManualFile = "index.html";
  // Where the user manual is looked for, as an absolute path.
  std::filesystem::path HelpFilePath() const;
  // The command of a key in the accelerator table; 0 for none.
  static int AcceleratorCommand(const QKeyEvent& event);

  void OnProgramRead();
  void OnProgramTest();
  void OnProgramWrite();
  void OnRadioPassword();
  // Opens the user manual in the desktop's browser; a message names the file when it is
  // missing or no browser opened it.
  void OnHelp();

  // Printing the channel table. The printer and its paper are kept for the session.
  QPrinter& Printer();
  void OnFilePrint();        // the print dialog, then the printout
  void OnFilePrintDirect();  // the printout with the current printer settings
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnFileExportPdf();
  void OnFileCompare();
  void OnFileBackups();
  // The printout as a PDF file, on the session's paper; false, after a message, when the
  // file cannot be written.
  bool ExportPdf(const std::filesystem::path& path);
  // The channel table from and to a CSV file (radio/channel_csv.h). An import that finds
  // problems shows them in one message and changes nothing.
  void OnFileImportCsv();
  void OnFileExportCsv();

  // Undo and redo. A user action ends when the next one begins (a key, a click, the
  // wheel) outside any dialog: the changes made since the last one become one step.
  void RecordEditStep();
  void OnEditUndo();
  void OnEditRedo();
  // The history starts afresh from the document as it is (New, Open, Read from Radio).
  void ResetEditHistory();
  // Enables Undo and Redo and names in their captions what they would change.
  void UpdateEditActions();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreateToolBar();
  void CreateAccelerators();
  QAction* NewAction(int commandId, const QString& caption);
  void RunTransferDialog(bool isRead);
  // Undo (back) or Redo: the pages show the state reached, on the page of its first change.
  void MoveThroughHistory(bool back);
  // The dump keys of what the step Undo (back) or Redo would take changes; none when there
  // is no such step.
  std::vector<std::string> StepKeys(bool back) const;
  // The printout on the session's printer (pages of its chosen range); messages when no
  // printer is installed or the printer cannot be started.
  void PrintOnPrinter(bool withDialog);
  enum class FitMode {
    Exact,     // the size of the form (when the window first shows)
    GrowOnly,  // larger where the form would not fit, never smaller
  };
  // Sizes the window to the form, as far as the screen allows; never a maximised or
  // full-screen one.
  void FitToForm(FitMode mode);

  CTavroPgmApp& app_;
  CTavroPgmView* view_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  std::map<int, QAction*> actions_;
  std::vector<QMenu*> menus_;
  std::vector<QAction*> recentFileActions_;
  class PageShortcutRouter;
  PageShortcutRouter* shortcutRouter_ = nullptr;
  class EditStepRecorder;
  EditStepRecorder* stepRecorder_ = nullptr;
  bool fittedToForm_ = false;
  std::unique_ptr<QPrinter> printer_;
};
