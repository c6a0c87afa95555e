#pragma once
// CTavroPgmApp: the application object. It finds the program's files, owns the one
// document, the serial port and the voice package catalogue, runs the document
// commands (New, Open, Save, Save As, recent files) and creates the main window.

#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>

#include "link/serial.h"
#include "link/voice_package.h"
#include "radio/document.h"
#include "radio/edit_history.h"
#include "settings/app_files.h"
#include "ui/message_box.h"
#include "ui/user_settings.h"

class CMainFrame;
class QSettings;

class CTavroPgmApp {
 public:
  // The framework's per-user settings key, and the recent-file list kept there.
  static constexpr const char* kSettingsKey = kUserSettingsName;
  static constexpr char kRecentFileSection[] = "Recent File List";
  static constexpr int kRecentFileCount = 4;
  // Exit code when start-up ends the program.
  static constexpr int kStartFailed = 1;
  // corvane --print-to-pdf OUT.pdf FILE.vxp: the channel table of FILE as a PDF file,
  // without a window.
  static constexpr char kPrintToPdfOption[] = "--print-to-pdf";

  // Start-up: the settings file (or a message and no window), the language, a new
  // document or the file named on the command line, then the main window, shown.
  // nullptr when start-up ended the program.
  static std::unique_ptr<CTavroPgmApp> InitInstance(const QStringList& arguments);
  // The --print-to-pdf run: every message goes to standard error and every question is
  // declined. Returns the exit code: 0 when the PDF file was written, else 1.
  static int PrintToPdf(const QStringList& arguments);
  ~CTavroPgmApp();
  CTavroPgmApp(const CTavroPgmApp&) = delete;
  CTavroPgmApp& operator=(const CTavroPgmApp&) = delete;

  const AppFiles& Files() const { return files_; }
  CTavroPgmDoc& Document() { return doc_; }
  EditHistory& History() { return history_; }
  CSerial& Port() { return port_; }
  CVoicePackage& Voices() { return voices_; }
  CMainFrame& MainFrame() { return *frame_; }
  bool& SuppressClearPrompt() { return suppressClearPrompt_; }
  // The core's questions (raster, band edge), as message boxes over the main window.
  Prompter& Questions() { return questions_; }

  // Document commands.
  void OnFileNew();
  void OnFileOpen();
  bool OpenDocumentFile(const std::filesystem::path& path);
  // Opens a data file as a new, untitled configuration (a backup): Save asks for a name, so
  // the file is never changed in place, and it does not join the recent files.
  bool OpenAsUntitled(const std::filesystem::path& path);
  void OnFileSave();
  void OnFileSaveAs();
  // The question about unsaved changes; false when the user cancelled (or saving failed).
  bool SaveModified();
  // "default", or the file's name.
  QString DocumentTitle() const;

  QStringList RecentFiles() const;
  void OpenRecentFile(int index);

  void OnAppAbout();
  void OnSetupPort();

 private:
  explicit CTavroPgmApp(AppFiles files);
  // Opens the data file and writes its printout; false after a message.
  bool WritePrintout(const std::filesystem::path& dataFile, const std::filesystem::path& pdfFile);
  // The open of a data file, under its name or untitled; false after a message or a cancel.
  bool OpenConfiguration(const std::filesystem::path& path, bool untitled);
  // Save with the Save As dialog when there is no usable file; false when not saved.
  bool DoSave(const std::filesystem::path& path);
  // The document has a new state as a whole: title and every page.
  void DocumentReplaced();
  void AddToRecentFiles(const std::filesystem::path& path);
  void RemoveFromRecentFiles(const QString& path);
  void WriteRecentFiles(const QStringList& files);

  AppFiles files_;
  bool suppressClearPrompt_ = true;  // the first document asks nothing
  CSerial port_;
  CVoicePackage voices_;
  CTavroPgmDoc doc_;
  EditHistory history_;
  MessageBoxPrompter questions_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<CMainFrame> frame_;
};
