#include "app/tavro_pgm_app.h"

#include <unistd.h>

#include <QFileInfo>
#include <QSettings>
#include <iostream>

#include "app/main_frame.h"
#include "dialogs/about_dlg.h"
#include "dialogs/port_dlg.h"
#include "dialogs/wr_dlg.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"
#include "ui/qt_text.h"

std::unique_ptr<CTavroPgmApp> CTavroPgmApp::InitInstance(const QStringList& arguments) {
  LoadProgramResources();
  LocatedFiles located = AppFiles::Locate();
  if (!located.files) {
    ShowMessageBox(nullptr, MessageBoxCall{"", located.problem, std::string(kProgramTitle),
                                           PromptIcon::Error, PromptButtons::Ok});
    return nullptr;
  }
  std::unique_ptr<CTavroPgmApp> app(new CTavroPgmApp(std::move(*located.files)));
  app->frame_ = std::make_unique<CMainFrame>(*app);
  app->questions_.SetParent(app->frame_.get());

  // No argument makes a new document; a file name opens that file, or start-up ends.
  const QStringList namedFiles = arguments.mid(1);
  if (namedFiles.isEmpty()) {
    app->OnFileNew();
  } else if (!app->OpenDocumentFile(namedFiles.front().toStdString())) {
    return nullptr;
  }
  app->frame_->show();
  return app;
}

int CTavroPgmApp::PrintToPdf(const QStringList& arguments) {
  SetMessageBoxAnswerer([](const MessageBoxCall& call) {
    std::cerr << call.text << std::endl;
    return call.buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
  });
  const int status = [&arguments] {
    LoadProgramResources();
    LocatedFiles located = AppFiles::Locate();
    if (!located.files) {
      std::cerr << located.problem << std::endl;
      return kStartFailed;
    }
    std::unique_ptr<CTavroPgmApp> app(new CTavroPgmApp(std::move(*located.files)));
    if (arguments.size() != 4 || arguments[1] != QLatin1String(kPrintToPdfOption)) {
      ShowMessageBox(nullptr, app->files_,
                     PromptRequest{"IDS_PRINT_BADARGS", "", "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok});
      return kStartFailed;
    }
    app->frame_ = std::make_unique<CMainFrame>(*app);
    return app->WritePrintout(arguments[3].toStdString(), arguments[2].toStdString()) ? 0 : kStartFailed;
  }();
  SetMessageBoxAnswerer({});
  return status;
}

CTavroPgmApp::CTavroPgmApp(AppFiles files)
    : files_(std::move(files)),
      port_(files_.SettingsPath()),
      voices_(files_.ProgramDirectory()),
      doc_(files_, &voices_),
      questions_(nullptr, files_),
      settings_(OpenUserSettings()) {}

CTavroPgmApp::~CTavroPgmApp() {
  frame_.reset();
  // A transfer cancelled just before may still be using the port.
  CWRDlg::FinishPendingTransfer();
  port_.Close();
}

QString CTavroPgmApp::DocumentTitle() const {
  return doc_.PathName().empty() ? QStringLiteral("default") : QString::fromStdString(doc_.PathName().filename().string());
}

void CTavroPgmApp::DocumentReplaced() { frame_->OnInitialUpdate(); }

void CTavroPgmApp::OnFileNew() {
  if (!SaveModified()) return;
  if (doc_.OnNewDocument(questions_, suppressClearPrompt_) == CTavroPgmDoc::NewOutcome::Created) DocumentReplaced();
}

void CTavroPgmApp::OnFileOpen() {
  if (const auto path = AskDataFileName(frame_.get(), FileDialogCall{false, {}})) OpenDocumentFile(*path);
}

namespace {

// The path as the user reads it in the questions and the title: absolute, without "." and
// ".." steps, however the file was named (relative on the command line, from a dialog, a
// recent-file entry or a drop).
std::filesystem::path FullPath(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return (error ? path : absolute).lexically_normal();
}

}  // namespace

bool CTavroPgmApp::OpenDocumentFile(const std::filesystem::path& named) { return OpenConfiguration(named, false); }

bool CTavroPgmApp::OpenAsUntitled(const std::filesystem::path& named) { return OpenConfiguration(named, true); }

bool CTavroPgmApp::OpenConfiguration(const std::filesystem::path& named, bool untitled) {
  const std::filesystem::path path = FullPath(named);
  if (!SaveModified()) return false;
  // Read whole before the document is touched: a file that cannot be read (a directory
  // too) leaves the current configuration, its undo history and the title in place.
  FileError error;
  const std::optional<std::string> file = CTavroPgmDoc::ReadDataFile(path, error);
  if (!file) {
    ShowFileError(frame_.get(), files_, error);
    return false;
  }
  suppressClearPrompt_ = true;
  doc_.OnNewDocument(questions_, suppressClearPrompt_);
  doc_.OpenDataFile(path, *file, questions_);
  if (untitled) {
    doc_.SetPathName({});
  } else {
    AddToRecentFiles(path);
  }
  DocumentReplaced();
  return true;
}

bool CTavroPgmApp::WritePrintout(const std::filesystem::path& dataFile, const std::filesystem::path& pdfFile) {
  doc_.OnNewDocument(questions_, suppressClearPrompt_);
  FileError error;
  switch (doc_.OnOpenDocument(FullPath(dataFile), questions_, error)) {
    case CTavroPgmDoc::OpenOutcome::Failed: ShowFileError(frame_.get(), files_, error); return false;
    // Not a data file: its warning said so, and an empty table is no printout of it.
    case CTavroPgmDoc::OpenOutcome::OpenedWithoutData: return false;
    case CTavroPgmDoc::OpenOutcome::Opened: break;
  }
  DocumentReplaced();
  return frame_->ExportPdf(pdfFile);
}

void CTavroPgmApp::OnFileSave() {
  const std::filesystem::path& path = doc_.PathName();
  if (!path.empty() && ShowMessageBox(frame_.get(), files_,
                                      PromptRequest{"IDS_WARN_SAVE", path.string(), "IDS_PROMPT",
                                                    PromptIcon::Exclamation, PromptButtons::OkCancel}) !=
                           PromptAnswer::Ok) {
    return;
  }
  DoSave(path);
}

void CTavroPgmApp::OnFileSaveAs() { DoSave({}); }

bool CTavroPgmApp::DoSave(const std::filesystem::path& path) {
  std::filesystem::path target = path;
  std::error_code error;
  const bool writable = !target.empty() && std::filesystem::is_regular_file(target, error) &&
                        ::access(target.c_str(), W_OK) == 0;
  if (!writable) {
    const std::filesystem::path proposed =
        doc_.PathName().empty() ? std::filesystem::path("default.vxp") : doc_.PathName();
    const auto chosen = AskDataFileName(frame_.get(), FileDialogCall{true, proposed});
    if (!chosen) return false;
    target = FullPath(*chosen);
  }
  FileError saveError;
  if (!doc_.OnSaveDocument(target, saveError)) {
    ShowFileError(frame_.get(), files_, saveError);
    return false;
  }
  history_.MarkSaved(doc_);
  AddToRecentFiles(target);
  frame_->UpdateTitle();
  return true;
}

bool CTavroPgmApp::SaveModified() {
  if (!doc_.IsModified()) return true;
  switch (ShowMessageBox(frame_.get(), MessageBoxCall{"IDS_SAVE_CHANGES",
                                                      files_.GetText("IDS_SAVE_CHANGES") + "\n" + ToStdString(DocumentTitle()),
                                                      std::string(kProgramTitle), PromptIcon::Exclamation,
                                                      PromptButtons::YesNoCancel})) {
    case PromptAnswer::Yes:
    case PromptAnswer::Ok: return DoSave(doc_.PathName());
    case PromptAnswer::No: return true;
    case PromptAnswer::Cancel: break;
  }
  return false;
}

namespace {

QString RecentFileKey(int number) {
  return QStringLiteral("%1/File%2").arg(QLatin1String(CTavroPgmApp::kRecentFileSection)).arg(number);
}

}  // namespace

QStringList CTavroPgmApp::RecentFiles() const {
  QStringList files;
  for (int index = 1; index <= kRecentFileCount; ++index) {
    const QString file = settings_->value(RecentFileKey(index)).toString();
    if (!file.isEmpty()) files.append(file);
  }
  return files;
}

void CTavroPgmApp::WriteRecentFiles(const QStringList& files) {
  for (int index = 1; index <= kRecentFileCount; ++index) {
    const QString key = RecentFileKey(index);
    if (index <= files.size()) {
      settings_->setValue(key, files[index - 1]);
    } else {
      settings_->remove(key);
    }
  }
  settings_->sync();
  if (frame_) frame_->UpdateRecentFileMenu();
}

void CTavroPgmApp::AddToRecentFiles(const std::filesystem::path& path) {
  const QString file = QFileInfo(QString::fromStdString(path.string())).absoluteFilePath();
  QStringList files = RecentFiles();
  files.removeAll(file);
  files.prepend(file);
  WriteRecentFiles(files.mid(0, kRecentFileCount));
}

void CTavroPgmApp::RemoveFromRecentFiles(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  WriteRecentFiles(files);
}

void CTavroPgmApp::OpenRecentFile(int index) {
  const QStringList files = RecentFiles();
  if (index < 0 || index >= files.size()) return;
  // An entry whose file has gone is taken off the list.
  if (!std::filesystem::exists(files[index].toStdString())) {
    ShowFileError(frame_.get(), files_, FileError{"IDS_ERROR_OPENFILE", files[index].toStdString(), ENOENT});
    RemoveFromRecentFiles(files[index]);
    return;
  }
  OpenDocumentFile(files[index].toStdString());
}

void CTavroPgmApp::OnAppAbout() {
  CAboutDlg dialog(files_, frame_.get());
  dialog.exec();
}

void CTavroPgmApp::OnSetupPort() {
  CPortDlg dialog(files_, port_, frame_.get());
  dialog.exec();
}
