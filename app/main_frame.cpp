#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDropEvent>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QShowEvent>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include "app/tavro_pgm_app.h"
#include "dialogs/backups_dlg.h"
#include "dialogs/compare_dlg.h"
#include "dialogs/dlg_authorization.h"
#include "dialogs/test_dlg.h"
#include "dialogs/wr_dlg.h"
#include "link/voice_package.h"
#include "pages/tavro_pgm_view.h"
#include "radio/backups.h"
#include "radio/channel_csv.h"
#include "radio/edit_history.h"
#include "res/main_resources.h"
#include "settings/file_io.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"
#include "ui/grid_ctrl.h"
#include "ui/qt_text.h"

namespace {

// The desktop theme's icon where it has one, else our own.
QIcon ToolbarIcon(int commandId) {
  struct Icon {
    int command;
    const char* themeName;
    const char* ownFile;
  };
  static constexpr Icon kIcons[] = {
      {command::kFileNew, "document-new", "new"},       {command::kFileOpen, "document-open", "open"},
      {command::kFileSave, "document-save", "save"},     {command::kProgramRead, "", "read"},
      {command::kProgramWrite, "", "write"},            {command::kFilePrint, "document-print", "print"},
      {command::kHelp, "help-contents", "help"},
  };
  for (const Icon& icon : kIcons) {
    if (icon.command != commandId) continue;
    const QIcon own(QStringLiteral(":/corvane/icons/%1.xpm").arg(QLatin1String(icon.ownFile)));
    return *icon.themeName != '\0' ? QIcon::fromTheme(QLatin1String(icon.themeName), own) : own;
  }
  return {};
}

}  // namespace

// Offers every key pressed inside a page to the accelerator table first, so that the
// main window's shortcuts work while an edit field of a page has the focus. The key of
// a disabled command stays with the field, and so does paste in a field that takes
// text or in the channel grid: Ctrl+V is Print Preview only where nothing can be pasted.
class CMainFrame::PageShortcutRouter : public QObject {
 public:
  explicit PageShortcutRouter(CMainFrame& frame) : QObject(&frame), frame_(frame) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !frame_.View().isAncestorOf(widget)) return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (key.matches(QKeySequence::Paste) && TakesPaste(*widget)) return false;
    const QAction* action = frame_.Action(AcceleratorCommand(key));
    // Not accepting the override leaves the key to the window's shortcuts.
    return action != nullptr && action->isEnabled();
  }

 private:
  static bool TakesPaste(const QWidget& widget) {
    if (const auto* grid = qobject_cast<const CGridCtrl*>(&widget)) return grid->IsClipboardEnabled();
    if (const auto* line = qobject_cast<const QLineEdit*>(&widget)) return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(&widget)) return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget)) return !plain->isReadOnly();
    return false;
  }

  CMainFrame& frame_;
};

// Ends a user action when the next one begins: every key, click or wheel turn first
// records the changes made since the last one as a step. Inside a dialog nothing is
// recorded, so that a dialog's questions never split the action that asked them.
class CMainFrame::EditStepRecorder : public QObject {
 public:
  explicit EditStepRecorder(CMainFrame& frame) : QObject(&frame), frame_(frame) {}

  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ShortcutOverride:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        if (QApplication::activeModalWidget() == nullptr) frame_.RecordEditStep();
        break;
      default: break;
    }
    return false;
  }

 private:
  CMainFrame& frame_;
};

CMainFrame::CMainFrame(CTavroPgmApp& app) : app_(app) {
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  view_ = new CTavroPgmView(PageContext{app.Files(), app.Document(), app.Questions(), &app.Voices()}, this);
  setCentralWidget(view_);
  CreateMenus();
  CreateToolBar();
  CreateAccelerators();
  shortcutRouter_ = new PageShortcutRouter(*this);
  qApp->installEventFilter(shortcutRouter_);
  // Installed last, so that it sees a key first: a shortcut finds Undo enabled by the
  // change just made.
  stepRecorder_ = new EditStepRecorder(*this);
  qApp->installEventFilter(stepRecorder_);
  connect(view_, &CTavroPgmView::documentReplaced, this, &CMainFrame::OnImageReplaced);

  setGeometry(0, 0, kInitialWidth, kInitialHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(stepRecorder_);
  qApp->removeEventFilter(shortcutRouter_);
}

QAction* CMainFrame::NewAction(int commandId, const QString& caption) {
  auto* action = new QAction(caption, this);
  action->setData(commandId);
  connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
  actions_[commandId] = action;
  return action;
}

QAction* CMainFrame::Action(int commandId) const {
  const auto found = actions_.find(commandId);
  return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::CreateMenus() {
  for (const MenuTemplate& entry : MainMenu()) {
    QMenu* menu = menuBar()->addMenu(ToQString(entry.caption));
    menus_.push_back(menu);
    for (const MenuItem& item : entry.items) {
      if (item.id == 0) {
        menu->addSeparator();
      } else if (item.id == kRecentFilePlace) {
        for (int index = 0; index < command::kRecentFileCount; ++index) {
          QAction* action = NewAction(command::kFirstRecentFile + index, {});
          menu->addAction(action);
          recentFileActions_.push_back(action);
        }
      } else {
        menu->addAction(NewAction(item.id, ToQString(item.caption)));
      }
    }
  }
  UpdateRecentFileMenu();
}

void CMainFrame::CreateToolBar() {
  toolBar_ = addToolBar(QStringLiteral("Standard"));
  toolBar_->setObjectName(QStringLiteral("standardToolBar"));
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setMovable(true);
  toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  for (const int id : ToolbarButtons()) {
    if (id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* action = Action(id);
    action->setIcon(ToolbarIcon(id));
    toolBar_->addAction(action);
    toolBar_->widgetForAction(action)->installEventFilter(this);
  }
}

void CMainFrame::CreateAccelerators() {
  // The accelerator table is separate from the menu: a menu caption only shows a hint.
  for (const Accelerator& accelerator : AcceleratorTable()) {
    const QKeyCombination key = accelerator.shift ? Qt::CTRL | Qt::SHIFT | Qt::Key(accelerator.key)
                                                  : Qt::CTRL | Qt::Key(accelerator.key);
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    shortcut->setContext(Qt::WindowShortcut);
    const int id = accelerator.command;
    connect(shortcut, &QShortcut::activated, this, [this, id] {
      if (QAction* action = Action(id); action != nullptr && action->isEnabled()) OnCommand(id);
    });
  }
}

int CMainFrame::AcceleratorCommand(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers != Qt::ControlModifier && modifiers != (Qt::ControlModifier | Qt::ShiftModifier)) return 0;
  const bool shift = modifiers & Qt::ShiftModifier;
  for (const Accelerator& accelerator : AcceleratorTable()) {
    if (event.key() == accelerator.key && shift == accelerator.shift) return accelerator.command;
  }
  return 0;
}

void CMainFrame::OnCommand(int commandId) {
  CommitFocusedEdit();
  if (commandId >= command::kFirstRecentFile && commandId < command::kFirstRecentFile + command::kRecentFileCount) {
    app_.OpenRecentFile(commandId - command::kFirstRecentFile);
    return;
  }
  switch (commandId) {
    case command::kFileNew: app_.OnFileNew(); break;
    case command::kFileOpen: app_.OnFileOpen(); break;
    case command::kFileSave: app_.OnFileSave(); break;
    case command::kFileSaveAs: app_.OnFileSaveAs(); break;
    case command::kAppExit: close(); break;
    case command::kProgramRead: OnProgramRead(); break;
    case command::kProgramWrite: OnProgramWrite(); break;
    case command::kProgramTest: OnProgramTest(); break;
    case command::kSetupPort: app_.OnSetupPort(); break;
    case command::kRadioPassword: OnRadioPassword(); break;
    case command::kFilePrint: OnFilePrint(); break;
    case command::kFilePrintDirect: OnFilePrintDirect(); break;
    case command::kFilePrintPreview: OnFilePrintPreview(); break;
    case command::kFilePrintSetup: OnFilePrintSetup(); break;
    case command::kFileExportPdf: OnFileExportPdf(); break;
    case command::kFileCompare: OnFileCompare(); break;
    case command::kFileBackups: OnFileBackups(); break;
    case command::kFileImportCsv: OnFileImportCsv(); break;
    case command::kFileExportCsv: OnFileExportCsv(); break;
    case command::kEditUndo: OnEditUndo(); break;
    case command::kEditRedo: OnEditRedo(); break;
    case command::kHelp: OnHelp(); break;
    case command::kAppAbout: app_.OnAppAbout(); break;
    default: break;
  }
}

void CMainFrame::ApplyMenuTexts() {
  const AppFiles& files = app_.Files();
  const auto menus = MainMenu();
  for (std::size_t position = 0; position < menus.size() && position < menus_.size(); ++position) {
    menus_[position]->setTitle(ToQString(files.GetText(menus[position].captionKey)));
    for (const MenuItem& item : menus[position].items) {
      if (item.captionKey.empty()) continue;
      if (QAction* action = Action(item.id)) action->setText(ToQString(files.GetText(item.captionKey)));
    }
  }
  UpdateEditActions();
  menuBar()->update();
}

void CMainFrame::UpdateTitle() { setWindowTitle(app_.DocumentTitle() + QStringLiteral(" - Corvane")); }

void CMainFrame::UpdateRecentFileMenu() {
  const QStringList files = app_.RecentFiles();
  for (int index = 0; index < static_cast<int>(recentFileActions_.size()); ++index) {
    QAction* action = recentFileActions_[static_cast<std::size_t>(index)];
    const bool used = index < files.size();
    action->setVisible(used);
    if (used) action->setText(QStringLiteral("&%1 %2").arg(index + 1).arg(files[index]));
  }
}

void CMainFrame::OnInitialUpdate() {
  view_->OnInitialUpdate();
  ResetEditHistory();
  ApplyMenuTexts();
  // After the menu texts, which set the menu bar's height. Before the window first shows,
  // the fit waits for the show.
  if (fittedToForm_) FitToForm(FitMode::GrowOnly);
  UpdateTitle();
}

void CMainFrame::OnImageReplaced() {
  ApplyMenuTexts();
  view_->OnUpdate();
}

void CMainFrame::FitToForm(FitMode mode) {
  // A maximised or full-screen window has the size the user chose for it.
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
  // The size that shows the whole form, as far as the screen allows.
  layout()->activate();
  const QSize chrome = size() - view_->size();
  QSize wanted = view_->FormSize() + chrome;
  if (const QScreen* screen = this->screen()) wanted = wanted.boundedTo(screen->availableGeometry().size());
  // Later fits keep the user's size, and only grow a window too small for the form.
  if (mode == FitMode::GrowOnly) wanted = wanted.expandedTo(size());
  if (wanted != size()) resize(wanted);
}

void CMainFrame::showEvent(QShowEvent* event) {
  // The window fits the form once, when it first shows.
  if (!event->spontaneous() && !fittedToForm_) {
    fittedToForm_ = true;
    FitToForm(FitMode::Exact);
  }
  QMainWindow::showEvent(event);
}

QString CMainFrame::ToolTipText(int commandId) const {
  if (commandId == 0) return {};
  return ToQString(app_.Files().GetText("IDS_TIP_" + std::to_string(commandId))).left(kToolTipLength);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    if (auto* button = qobject_cast<QToolButton*>(watched); button != nullptr && button->defaultAction() != nullptr) {
      // Looked up when asked, so that a changed language file shows at once.
      const QString text = ToolTipText(button->defaultAction()->data().toInt());
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, button);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

std::filesystem::path CMainFrame::HelpFilePath() const {
  const std::filesystem::path manual = app_.Files().ProgramDirectory() / kManualDirectory / kManualFile;
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(manual, ignored);
  return absolute.empty() ? manual : absolute.lexically_normal();
}

void CMainFrame::OnHelp() {
  const std::filesystem::path manual = HelpFilePath();
  std::error_code ignored;
  const char* problem = nullptr;
  if (!std::filesystem::is_regular_file(manual, ignored)) {
    problem = "IDS_HELP_NOTFOUND";
  } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(manual.string())))) {
    problem = "IDS_HELP_NOTOPENED";
  }
  if (problem == nullptr) return;
  const AppFiles& files = app_.Files();
  ShowMessageBox(this, MessageBoxCall{problem, files.GetText(problem) + "\n" + manual.string(),
                                      files.GetText("IDS_PROMPT"), PromptIcon::Exclamation, PromptButtons::Ok});
}

void CMainFrame::OnProgramRead() { RunTransferDialog(true); }
void CMainFrame::OnProgramWrite() { RunTransferDialog(false); }

void CMainFrame::RunTransferDialog(bool isRead) {
  CWRDlg dialog(TransferContext{app_.Files(), app_.Document(), app_.Port(), &app_.Voices(),
                                [this, isRead] {
                                  OnImageReplaced();
                                  // What was read is where undo starts: it never goes back past the read.
                                  if (isRead) ResetEditHistory();
                                }},
                isRead, this);
  dialog.exec();
}

void CMainFrame::OnRadioPassword() {
  CDlgAuthorization dialog(TransferContext{app_.Files(), app_.Document(), app_.Port(), nullptr,
                                           [this] { OnImageReplaced(); }},
                           this);
  dialog.exec();
}

QPrinter& CMainFrame::Printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // The thirteen columns read best across the sheet; the sixteen rows fit either way.
    printer_->setPageOrientation(QPageLayout::Landscape);
    printer_->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
  }
  return *printer_;
}

void CMainFrame::OnFilePrint() { PrintOnPrinter(true); }
void CMainFrame::OnFilePrintDirect() { PrintOnPrinter(false); }

void CMainFrame::PrintOnPrinter(bool withDialog) {
  const AppFiles& files = app_.Files();
  if (QPrinterInfo::availablePrinterNames().isEmpty()) {
    ShowMessageBox(this, files, PromptRequest{"IDS_NO_PRINTER", "", "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok});
    return;
  }
  QPrinter& printer = Printer();
  if (withDialog) {
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, view_->OnPreparePrinting());
    if (dialog.exec() != QDialog::Accepted) return;
  }
  const bool range = printer.printRange() == QPrinter::PageRange;
  if (!view_->PrintPages(printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0)) {
    ShowMessageBox(this, files, PromptRequest{"IDS_ERROR_PRINT", "", "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok});
  }
}

void CMainFrame::OnFilePrintPreview() {
  QPrintPreviewDialog dialog(&Printer(), this);
  if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) preview->setViewMode(QPrintPreviewWidget::SinglePageView);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { view_->PrintPages(*printer); });
  dialog.exec();
}

void CMainFrame::OnFilePrintSetup() {
  QPageSetupDialog dialog(&Printer(), this);
  dialog.exec();
}

void CMainFrame::OnFileExportPdf() {
  const std::filesystem::path document = app_.Document().PathName();
  const std::filesystem::path proposed =
      document.empty() ? std::filesystem::path("default.pdf") : std::filesystem::path(document).replace_extension(".pdf");
  if (const auto path = AskPdfFileName(this, proposed)) ExportPdf(*path);
}

void CMainFrame::OnFileCompare() {
  const std::optional<std::filesystem::path> path = AskDataFileName(this, FileDialogCall{false, {}});
  if (!path) return;
  const AppFiles& files = app_.Files();
  CTavroPgmDoc other(files);
  MessageBoxPrompter prompter(this, files);
  FileError error;
  switch (other.OnOpenDocument(*path, prompter, error)) {
    case CTavroPgmDoc::OpenOutcome::Failed:
      ShowFileError(this, files, error);
      return;
    case CTavroPgmDoc::OpenOutcome::OpenedWithoutData:
      return;  // the warning has said so; an empty image would differ everywhere
    case CTavroPgmDoc::OpenOutcome::Opened: break;
  }
  CTavroPgmDoc& doc = app_.Document();
  const std::vector<config_dump::Difference> differences =
      config_dump::Compare(config_dump::ComparedLines(doc, SpeechLanguageList(app_.Voices(), doc.VoiceId())),
                           config_dump::ComparedLines(other, SpeechLanguageList(app_.Voices(), other.VoiceId())));
  if (differences.empty()) {
    ShowMessageBox(this, MessageBoxCall{"IDS_COMPARE_SAME", files.GetText("IDS_COMPARE_SAME"),
                                        files.GetText("IDS_PROMPT"), PromptIcon::Information, PromptButtons::Ok});
    return;
  }
  CCompareDlg dialog(files, differences, path->filename().string(), this);
  dialog.exec();
}

void CMainFrame::OnFileBackups() {
  CBackupsDlg dialog(app_.Files(), app_.Voices(), backup::UserFolder(), this);
  if (dialog.exec() == QDialog::Accepted) app_.OpenAsUntitled(dialog.ChosenPath());
}

bool CMainFrame::ExportPdf(const std::filesystem::path& path) {
  // Written aside first and then put in place whole, so that a failure never leaves a
  // damaged file where an older printout was.
  const QTemporaryDir scratch;
  const QString scratchFile = scratch.filePath(QStringLiteral("printout.pdf"));
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setPageLayout(Printer().pageLayout());
  pdf.setCreator(QStringLiteral("Corvane"));
  pdf.setDocName(app_.DocumentTitle());
  pdf.setOutputFileName(scratchFile);
  int systemError = 0;
  bool written = scratch.isValid() && view_->PrintPages(pdf);
  if (written) {
    const std::optional<std::string> bytes = file_io::ReadFile(scratchFile.toStdString());
    written = bytes && file_io::ReplaceFileAtomically(path, *bytes);
    if (!written) systemError = errno;
  }
  if (!written) ShowFileError(this, app_.Files(), WriteFailure("IDS_ERROR_PDF", path, systemError));
  return written;
}

void CMainFrame::OnFileImportCsv() {
  const std::optional<std::filesystem::path> path = AskFileName(this, {false, {}, kCsvFileFilter, "csv"});
  if (!path) return;
  const AppFiles& files = app_.Files();
  std::vector<channel_csv::Problem> problems;
  FileError error;
  if (!channel_csv::ImportFile(app_.Document(), *path, problems, error)) {
    ShowFileError(this, files, error);
    return;
  }
  if (!problems.empty()) {
    constexpr std::size_t kProblemsShown = 12;
    ShowMessageBox(this, MessageBoxCall{"IDS_CSV_IMPORTFAILED", channel_csv::ProblemsMessage(files, problems, kProblemsShown),
                                        files.GetText("IDS_ERROR"), PromptIcon::Error, PromptButtons::Ok});
    return;
  }
  OnImageReplaced();
}

void CMainFrame::OnFileExportCsv() {
  // Said before a file name is asked for: no import would take a list without channels.
  if (!channel_csv::HasChannelsToExport(app_.Document())) {
    ShowMessageBox(this, app_.Files(), PromptRequest{"IDS_CSV_NOCHANNELSINUSE", "", "", PromptIcon::Information,
                                                     PromptButtons::Ok});
    return;
  }
  const std::filesystem::path document = app_.Document().PathName();
  const std::filesystem::path proposed =
      document.empty() ? std::filesystem::path("channels.csv") : std::filesystem::path(document).replace_extension(".csv");
  const std::optional<std::filesystem::path> path = AskFileName(this, {true, proposed, kCsvFileFilter, "csv"});
  if (!path) return;
  FileError error;
  if (!channel_csv::ExportFile(app_.Document(), *path, error)) ShowFileError(this, app_.Files(), error);
}

void CMainFrame::OnProgramTest() {
  // The calibration table's read replaces part of the image.
  CTestDlg dialog(TransferContext{app_.Files(), app_.Document(), app_.Port(), nullptr, [this] { OnImageReplaced(); }},
                  this);
  dialog.exec();
}

void CMainFrame::RecordEditStep() {
  if (app_.History().Record(app_.Document())) UpdateEditActions();
}

void CMainFrame::ResetEditHistory() {
  app_.History().Reset(app_.Document());
  UpdateEditActions();
}

void CMainFrame::OnEditUndo() { MoveThroughHistory(true); }
void CMainFrame::OnEditRedo() { MoveThroughHistory(false); }

void CMainFrame::MoveThroughHistory(bool back) {
  EditHistory& history = app_.History();
  CTavroPgmDoc& doc = app_.Document();
  // The edit the command has just committed is a step of its own.
  history.Record(doc);
  const std::vector<std::string> keys = StepKeys(back);
  if (!(back ? history.Undo(doc) : history.Redo(doc))) return;
  view_->OnUpdate();
  history.Adopt(doc);
  if (!keys.empty()) view_->ShowDumpKey(keys.front());
  UpdateTitle();
  UpdateEditActions();
}

std::vector<std::string> CMainFrame::StepKeys(bool back) const {
  const EditHistory::Step step = app_.History().NextStep(back);
  if (step.before == nullptr) return {};
  const CVoicePackage& voices = app_.Voices();
  return edit_history::ChangedKeys(app_.Files(), *step.before, *step.after, [&voices](const CTavroPgmDoc& doc) {
    return SpeechLanguageList(voices, doc.Block().subspan<block::kVoiceId, block::kVoiceIdSize>());
  });
}

void CMainFrame::UpdateEditActions() {
  const EditHistory& history = app_.History();
  for (const bool back : {true, false}) {
    QAction* action = Action(back ? command::kEditUndo : command::kEditRedo);
    if (action == nullptr) continue;
    const bool possible = back ? history.CanUndo() : history.CanRedo();
    action->setEnabled(possible);
    // "&Undo CH 3 / RX Freq [MHz]\tCtrl+Z": the name goes before the key hint.
    QString caption = ToQString(app_.Files().GetText(back ? "MENU_EDIT_UNDO" : "MENU_EDIT_REDO"));
    const QString name = ToQString(edit_history::StepName(app_.Files().Texts(), StepKeys(back)));
    if (!name.isEmpty()) {
      const qsizetype tab = caption.indexOf(QLatin1Char('\t'));
      QString escaped = name;
      escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
      caption.insert(tab < 0 ? caption.size() : tab, QLatin1Char(' ') + escaped);
    }
    action->setText(caption);
  }
}

void CMainFrame::CommitFocusedEdit() {
  // A command works on the configuration as the user sees it: a field being edited is
  // stored first, as leaving it stores it, and keeps the focus; an in-cell editor that
  // the commit closed hands the focus to its page.
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || focus == this) return;
  focus->clearFocus();
  if (focus->isVisible() && focus->isEnabled())
    focus->setFocus(Qt::OtherFocusReason);
  else if (QWidget* page = view_->Tabs().currentWidget())
    page->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Taking the focus ends an edit in progress, which stores it in the image first.
  setFocus(Qt::OtherFocusReason);
  if (!app_.SaveModified()) {
    event->ignore();
    return;
  }
  // A transfer cancelled just before may still be using the port: the window waits for it
  // here, still drawn, rather than the program after the window has gone.
  CWRDlg::FinishPendingTransfer();
  event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    event->acceptProposedAction();
    // The file opens once the drop has ended: the save question and the load warning must
    // not keep the program the file came from waiting for the drop's answer.
    const std::filesystem::path path = url.toLocalFile().toStdString();
    QMetaObject::invokeMethod(
        this,
        [this, path] {
          activateWindow();
          app_.OpenDocumentFile(path);
        },
        Qt::QueuedConnection);
    return;
  }
}
