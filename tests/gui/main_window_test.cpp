// The program as a user meets it: start-up, the main window's commands, the
// document lifecycle with its questions, the view and its pages.

#include <QAction>
#include <QClipboard>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCheckBox>
#include <QDir>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolTip>
#include <QtTest>
#include <fstream>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "dialogs/about_dlg.h"
#include "dialogs/compare_dlg.h"
#include "dialogs/port_dlg.h"
#include "dialogs/test_dlg.h"
#include "dialogs/wr_dlg.h"
#include "pages/dlg_ch.h"
#include "pages/tavro_pgm_view.h"
#include "radio/channel_csv.h"
#include "radio/channel_table.h"
#include "radio/function_page.h"
#include "res/main_resources.h"
#include "settings/profile.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_template.h"
#include "ui/entry_controls.h"
#include "ui/file_dialog.h"
#include "ui/grid_ctrl.h"
#include "ui/qt_text.h"

namespace {

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  const std::string text = test::ReadAll(path);
  return {text.begin(), text.end()};
}

// Opens a URL handler for local files, so that tests see what the program asks the
// desktop to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::ProgramDir> dir_;
  std::unique_ptr<QTemporaryDir> settingsHome_;
  std::unique_ptr<CTavroPgmApp> app_;

  std::unique_ptr<CTavroPgmApp> Start(QStringList arguments = {}) {
    arguments.prepend(QStringLiteral("corvane"));
    return CTavroPgmApp::InitInstance(arguments);
  }
  CTavroPgmApp& App() { return *app_; }
  CTavroPgmDoc& Doc() { return app_->Document(); }
  CMainFrame& Frame() { return app_->MainFrame(); }
  CDlgCh& ChannelPage() { return *qobject_cast<CDlgCh*>(Frame().View().Page(0)); }
  void WriteLanguage(const char* section, const char* key, const char* value) {
    QVERIFY(profile::WriteString(app_->Files().LanguagePath(), section, key, value));
  }
  // A saved configuration with channel 1 on 440.125 MHz.
  std::filesystem::path SavedFile(const std::string& name) {
    test::ScriptedPrompter prompter;
    CTavroPgmDoc doc(app_->Files());
    test::NewDocument(doc, prompter);
    doc.SetChannelFrequency(1, true, "440.125000", prompter);
    FileError error;
    const std::filesystem::path path = *dir_ / name;
    if (!doc.OnSaveDocument(path, error)) qFatal("cannot save a fixture file");
    return path;
  }
  // What a modal dialog of this class showed when `press` opened it; it is closed at once.
  struct ShownDialog {
    bool isRead = false;
  };
  template <class Dialog>
  std::optional<ShownDialog> ModalDialogOpenedBy(const std::function<void()>& press) {
    std::optional<ShownDialog> shown;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      if constexpr (std::is_same_v<Dialog, CWRDlg>) {
        shown = ShownDialog{dialog->IsRead()};
      } else {
        shown = ShownDialog{};
      }
      dialog->reject();
    });
    press();
    return shown;
  }
  void ActivateFrame() {
    QApplication::setActiveWindow(&Frame());
    QVERIFY(QTest::qWaitForWindowActive(&Frame()));
  }
  // Keys as the user presses them: each goes to whichever widget has the focus then.
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  static void Type(const QString& text) {
    for (const QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  }
  // Drops `file` on the main window as a file manager does.
  void DropOnFrame(const QString& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);
    QVERIFY(drop.isAccepted());
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::ProgramDir>();
    settingsHome_ = std::make_unique<QTemporaryDir>();
    test::UseProgramDirectory(dir_->Path(), settingsHome_->path());
    profile::WriteString(dir_->Path() / "setting.ini", "setup", "language", "lang_en");
    test::ScriptedMessageBoxes boxes;
    app_ = Start();
    QVERIFY(app_);
    QVERIFY(boxes.Shown().empty());
  }

  void cleanup() {
    SetFileDialogAnswerer({});
    {
      test::ScriptedMessageBoxes boxes;  // an unsaved configuration is dropped
      app_.reset();
    }
    dir_.reset();
  }

  // ------------------------------------------------------------------ start-up

  void startUpWithoutSettingsShowsTheMessageAndNoWindow() {
    app_.reset();
    QTemporaryDir empty;
    qputenv("CORVANE_HOME", empty.path().toUtf8());
    test::ScriptedMessageBoxes boxes;
    QVERIFY(Start() == nullptr);
    QCOMPARE(boxes.Shown().size(), std::size_t{1});
    QCOMPARE(boxes.Shown()[0].text, std::string("Can not find the file setting.ini!"));
    QCOMPARE(boxes.Shown()[0].caption, std::string("Corvane"));
    QVERIFY(boxes.Shown()[0].icon == PromptIcon::Error);
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY(!widget->isVisible());
    app_ = Start();  // back to the fixture's directory for cleanup
  }

  void newDocumentAtStartUpAsksNothingAndIsTitledDefault() {
    QVERIFY(Frame().isVisible());
    QCOMPARE(Frame().windowTitle(), QStringLiteral("default - Corvane"));
    QCOMPARE(Doc().ModelIndex(), 2);
    QVERIFY(!Doc().IsModified());
    QVERIFY(!App().SuppressClearPrompt());
  }

  void theLanguageComesFromTheSettingOrTheLocale_data() {
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("firstTab");
    QTest::newRow("configured Chinese") << QByteArray("lang_cn") << QByteArray("en_GB.UTF-8") << QStringLiteral("信道");
    QTest::newRow("empty, zh_CN locale") << QByteArray("") << QByteArray("zh_CN.UTF-8") << QStringLiteral("信道");
    QTest::newRow("empty, other locale") << QByteArray("") << QByteArray("de_DE.UTF-8") << QStringLiteral("Channels");
  }
  void theLanguageComesFromTheSettingOrTheLocale() {
    QFETCH(QByteArray, configured);
    QFETCH(QByteArray, lang);
    QFETCH(QString, firstTab);
    app_.reset();
    profile::WriteString(dir_->Path() / "setting.ini", "setup", "language", configured.toStdString());
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", lang);
    app_ = Start();
    QVERIFY(app_);
    QCOMPARE(Frame().View().Tabs().tabText(0), firstTab);
    qputenv("LANG", "C.UTF-8");
  }

  void commandLineFileOpensAndAnUnreadableOneEndsStartUp() {
    const std::filesystem::path file = SavedFile("named.vxp");
    app_.reset();
    app_ = Start({QString::fromStdString(file.string())});
    QVERIFY(app_);
    QCOMPARE(Frame().windowTitle(), QStringLiteral("named.vxp - Corvane"));
    QCOMPARE(Doc().ChannelFrequencyText(1, true), std::string("440.125000"));
    app_.reset();
    test::ScriptedMessageBoxes boxes;
    QVERIFY(Start({QString::fromStdString((*dir_ / "missing.vxp").string())}) == nullptr);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_ERROR_OPENFILE"});
    app_ = Start();
  }

  // ------------------------------------------------------------------ texts

  void resourceEntriesRenameControlsByIdInEveryDialog() {
    WriteLanguage("Resource", "^1", "Fine");
    WriteLanguage("Resource", "^2", "");  // empty: the template text stays
    CAboutDlg about(App().Files());
    CPortDlg port(App().Files(), App().Port());
    CWRDlg transfer(TransferContext{App().Files(), Doc(), App().Port(), nullptr, {}}, true);
    for (QWidget* dialog : std::initializer_list<QWidget*>{&about, &port, &transfer}) {
      QCOMPARE(Control<QPushButton>(dialog, kIdOk)->text(), QStringLiteral("Fine"));
    }
    QCOMPARE(Control<QPushButton>(&port, kIdCancel)->text(), QStringLiteral("Cancel"));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Corvane"));
  }

  void aBackslashNInATextGivesTwoLines() {
    WriteLanguage("String", "IDS_WARN_CLEAR", "First line\\nsecond line");
    test::ScriptedMessageBoxes boxes({PromptAnswer::Cancel});
    Frame().OnCommand(command::kFileNew);
    QCOMPARE(boxes.Shown().at(0).text, std::string("First line\nsecond line"));
    // A label shows such a text on two lines.
    QLabel label(QString::fromStdString(boxes.Shown()[0].text));
    QVERIFY(label.sizeHint().height() >= 2 * label.fontMetrics().lineSpacing());
  }

  void menuTextsComeFromTheLanguageFile() {
    WriteLanguage("String", "MENU_PROGRAM", "Ra&dio");
    WriteLanguage("String", "MENU_PROGRAM_READ", "Fetch\\tCtrl+R");
    Frame().ApplyMenuTexts();
    QCOMPARE(Frame().Action(command::kProgramRead)->text(), QStringLiteral("Fetch\tCtrl+R"));
    QCOMPARE(Frame().Action(command::kProgramRead)->parent(), &Frame());
    const QList<QAction*> menus = Frame().menuBar()->actions();
    QCOMPARE(menus.at(2)->text(), QStringLiteral("Ra&dio"));
  }

  void toolTipsAreLookedUpWhenAskedAndCutTo19Characters() {
    WriteLanguage("String", "IDS_TIP_32772", "Read the whole configuration from the radio");
    QCOMPARE(Frame().ToolTipText(command::kProgramRead), QStringLiteral("Read the whole conf"));
    WriteLanguage("String", "IDS_TIP_32772", "Read");
    QCOMPARE(Frame().ToolTipText(command::kProgramRead), QStringLiteral("Read"));
    QCOMPARE(Frame().ToolTipText(0), QString());
    // Resting on the toolbar button asks for the text then.
    QWidget* button = Frame().ToolBar().widgetForAction(Frame().Action(command::kProgramRead));
    QHelpEvent rest(QEvent::ToolTip, QPoint(4, 4), button->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(button, &rest);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Read"));
    // Toolbar left to right: New, Open, Save | Read, Write | Print | Help.
    QList<int> buttons;
    for (QAction* action : Frame().ToolBar().actions()) buttons.append(action->isSeparator() ? 0 : action->data().toInt());
    QCOMPARE(buttons, (QList<int>{57600, 57601, 57603, 0, 32772, 32773, 0, 57607, 0, 32775}));
  }

  void helpOpensTheUserManualOrSaysWhereItWasLookedFor() {
    const std::filesystem::path manual = dir_->Path() / "manual" / "index.html";
    const auto namesTheManual = [&](const test::ScriptedMessageBoxes& boxes, const char* key) {
      QCOMPARE(boxes.Keys(), std::vector<std::string>{key});
      QVERIFY2(boxes.Shown()[0].text.find(manual.string()) != std::string::npos, boxes.Shown()[0].text.c_str());
    };
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    {
      test::ScriptedMessageBoxes boxes;
      Frame().OnCommand(command::kHelp);
      namesTheManual(boxes, "IDS_HELP_NOTFOUND");
      QVERIFY(recorder.opened.isEmpty());
    }
    std::filesystem::create_directories(manual.parent_path());
    std::ofstream(manual) << "<html></html>";
    {
      test::ScriptedMessageBoxes boxes;
      Frame().OnCommand(command::kHelp);
      QVERIFY(boxes.Shown().empty());
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(manual.string()))});
    // The offscreen desktop has no browser: the message says which file to open.
    test::ScriptedMessageBoxes boxes;
    Frame().OnCommand(command::kHelp);
    namesTheManual(boxes, "IDS_HELP_NOTOPENED");
  }

  // ------------------------------------------------------------------ document lifecycle

  void newWithUnsavedChangesAsksTwiceAndCancelKeepsTheConfiguration() {
    Doc().SetChannelFrequency(1, true, "440.125000", App().Questions());
    QVERIFY(Doc().IsModified());
    test::ScriptedMessageBoxes boxes({PromptAnswer::No, PromptAnswer::Cancel});
    Frame().OnCommand(command::kFileNew);
    QCOMPARE(boxes.Keys(), (std::vector<std::string>{"IDS_SAVE_CHANGES", "IDS_WARN_CLEAR"}));
    QCOMPARE(Doc().ChannelFrequencyText(1, true), std::string("440.125000"));
    QVERIFY(Doc().IsModified());

    boxes.Clear();
    boxes.Then(PromptAnswer::Cancel);  // the save question itself
    Frame().OnCommand(command::kFileNew);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_SAVE_CHANGES"});
    QVERIFY(Doc().IsChannelUsed(1));

    boxes.Clear();
    boxes.Then(PromptAnswer::No);
    boxes.Then(PromptAnswer::Ok);
    Frame().OnCommand(command::kFileNew);
    QVERIFY(!Doc().IsChannelUsed(1));
    QVERIFY(!Doc().IsModified());
    QCOMPARE(ChannelPage().Grid().GetItemText(1, 1), QString());
  }

  void saveOnANamedDocumentAnsweredCancelWritesNothing() {
    const std::filesystem::path file = SavedFile("keep.vxp");
    QVERIFY(App().OpenDocumentFile(file));
    const std::vector<std::uint8_t> before = FileBytes(file);
    Doc().SetChannelFrequency(2, true, "441.000000", App().Questions());
    test::ScriptedMessageBoxes boxes({PromptAnswer::Cancel});
    Frame().OnCommand(command::kFileSave);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_WARN_SAVE"});
    QCOMPARE(boxes.Shown()[0].text, App().Files().GetText("IDS_WARN_SAVE") + file.string());
    QVERIFY(FileBytes(file) == before);
    QVERIFY(Doc().IsModified());

    boxes.Then(PromptAnswer::Ok);
    Frame().OnCommand(command::kFileSave);
    QVERIFY(FileBytes(file) != before);
    QCOMPARE(FileBytes(file).size(), std::size_t{1088});
    QVERIFY(!Doc().IsModified());
  }

  void compareWithListsWhatDiffersFromAnotherFile() {
    // The File menu offers it after Save As, with its text from the language file.
    QCOMPARE(Frame().Action(command::kFileCompare)->text(), ToQString(App().Files().GetText("MENU_FILE_COMPARE")));
    const std::filesystem::path mine = SavedFile("mine.vxp");
    QVERIFY(App().OpenDocumentFile(mine));
    const std::vector<std::uint8_t> before(Doc().Block().begin(), Doc().Block().end());

    std::filesystem::path answer;
    std::vector<FileDialogCall> asked;
    SetFileDialogAnswerer([&](const FileDialogCall& call) -> std::optional<std::filesystem::path> {
      asked.push_back(call);
      if (answer.empty()) return std::nullopt;
      return answer;
    });
    struct Shown {
      QString title;
      QStringList headers;
      std::vector<QStringList> rows;
    };
    const auto compare = [&](const std::filesystem::path& other) {
      answer = other;
      std::optional<Shown> shown;
      QObject timerOwner;  // where no window opens, the timer goes with this call
      QTimer::singleShot(0, &timerOwner, [&] {
        auto* dialog = qobject_cast<CCompareDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        QTableWidget& table = dialog->Table();
        shown = Shown{dialog->windowTitle(), {}, {}};
        for (int column = 0; column < table.columnCount(); ++column)
          shown->headers << table.horizontalHeaderItem(column)->text();
        for (int row = 0; row < table.rowCount(); ++row) {
          QStringList cells;
          for (int column = 0; column < table.columnCount(); ++column) cells << table.item(row, column)->text();
          shown->rows.push_back(cells);
        }
        dialog->accept();
      });
      Frame().OnCommand(command::kFileCompare);
      return shown;
    };

    {  // Cancel in the file dialog: nothing happens.
      test::ScriptedMessageBoxes boxes;
      QVERIFY(!compare({}));
      QVERIFY(boxes.Shown().empty());
      QCOMPARE(asked.size(), std::size_t{1});
      QVERIFY(!asked[0].save);
    }
    {  // The same settings: a message says so.
      test::ScriptedMessageBoxes boxes;
      QVERIFY(!compare(mine));
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_COMPARE_SAME"});
    }
    {  // A channel cell, a page control and a raw byte differ: one row each.
      test::ScriptedPrompter prompter;
      CTavroPgmDoc other(App().Files());
      FileError error;
      QVERIFY(other.OnOpenDocument(mine, prompter, error) == CTavroPgmDoc::OpenOutcome::Opened);
      other.At(image::ChannelOffset(1) + image::channel::kSignalSet) = 0;
      other.At(image::kSquelchLevel) = 5;
      other.At(image::kCalibration + 0x10) = 0x12;
      const std::filesystem::path theirs = *dir_ / "theirs.vxp";
      QVERIFY(other.OnSaveDocument(theirs, error));
      test::ScriptedMessageBoxes boxes;
      const std::optional<Shown> shown = compare(theirs);
      QVERIFY(boxes.Shown().empty());
      QVERIFY(shown);
      const AppFiles& files = App().Files();
      QCOMPARE(shown->title, ToQString(files.GetText("IDS_COMPARE_TITLE")));
      QCOMPARE(shown->headers, (QStringList{ToQString(files.GetText("IDS_COMPARE_SETTING")),
                                            ToQString(files.GetText("IDS_COMPARE_THIS")), QStringLiteral("theirs.vxp")}));
      QCOMPARE(shown->rows.size(), std::size_t{3});
      QCOMPARE(shown->rows[0], (QStringList{QStringLiteral("Squelch Level"), QStringLiteral("3"), QStringLiteral("5")}));
      QCOMPARE(shown->rows[1], (QStringList{QStringLiteral("CH 1 / Signal Set"), ToQString(files.GetText("IDS_NONE")),
                                            QStringLiteral("1")}));
      QCOMPARE(shown->rows[2], (QStringList{QStringLiteral("L L P"), QStringLiteral("FF"), QStringLiteral("12")}));
    }
    {  // A file that is not a data file: its warning, and no comparison with an empty image.
      std::ofstream(*dir_ / "foreign.vxp", std::ios::binary) << std::string(1088, 'x');
      test::ScriptedMessageBoxes boxes;
      QVERIFY(!compare(*dir_ / "foreign.vxp"));
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_WARN_LOAD"});
    }
    {  // A file that cannot be read: the open error.
      test::ScriptedMessageBoxes boxes;
      QVERIFY(!compare(*dir_ / "missing.vxp"));
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_ERROR_OPENFILE"});
    }
    // The configuration being edited is left as it was.
    QVERIFY(std::equal(before.begin(), before.end(), Doc().Block().begin()));
    QVERIFY(!Doc().IsModified());
  }

  void saveAsOffersTheDataFileTypeAndRenamesTheDocument() {
    std::vector<FileDialogCall> asked;
    const std::filesystem::path target = *dir_ / "new name.vxp";
    SetFileDialogAnswerer([&](const FileDialogCall& call) -> std::optional<std::filesystem::path> {
      asked.push_back(call);
      return target;
    });
    test::ScriptedMessageBoxes boxes;
    Frame().OnCommand(command::kFileSave);  // no name yet: Save As, no overwrite warning
    QVERIFY(boxes.Shown().empty());
    QCOMPARE(asked.size(), std::size_t{1});
    QVERIFY(asked[0].save);
    QCOMPARE(asked[0].proposed, std::filesystem::path("default.vxp"));
    QCOMPARE(FileBytes(target).size(), std::size_t{1088});
    QCOMPARE(Frame().windowTitle(), QStringLiteral("new name.vxp - Corvane"));
    QCOMPARE(QString::fromLatin1(kDataFileFilter), QStringLiteral("Radio Program Data Files(*.vxp)"));
  }

  void channelsImportAndExportThroughTheFileMenu() {
    std::vector<FileDialogCall> asked;
    std::filesystem::path answer;
    SetFileDialogAnswerer([&](const FileDialogCall& call) -> std::optional<std::filesystem::path> {
      asked.push_back(call);
      return answer;
    });
    auto image = [this] { return std::vector<std::uint8_t>(Doc().Image().begin(), Doc().Image().end()); };
    // A file with problems: one message lists them all, and nothing changes.
    answer = dir_->Write("bad.csv", "Location,Frequency,Mode\n1,446.1,AM\n2,146.52,FM\n");
    const std::vector<std::uint8_t> before = image();
    {
      test::ScriptedMessageBoxes boxes;
      Frame().OnCommand(command::kFileImportCsv);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_CSV_IMPORTFAILED"});
      const std::string& text = boxes.Shown().at(0).text;
      QVERIFY2(text.find("Line 2, Mode") != std::string::npos, text.c_str());
      QVERIFY2(text.find("Line 3, Frequency") != std::string::npos, text.c_str());
    }
    QVERIFY(image() == before);
    QVERIFY(!Doc().IsModified());

    // A valid file is stored, marks the configuration modified, and the page shows it.
    answer = dir_->Write("good.csv", "Location;Frequency;Duplex;Offset\n0;446,1;split;441,1\n");
    {
      test::ScriptedMessageBoxes boxes;
      Frame().OnCommand(command::kFileImportCsv);
      QVERIFY(boxes.Shown().empty());
    }
    QVERIFY(Doc().IsModified());
    QCOMPARE(ChannelPage().Grid().GetItemText(1, 1), QStringLiteral("446.100000"));
    QCOMPARE(ChannelPage().Grid().GetItemText(1, 4), QStringLiteral("441.100000"));

    answer = *dir_ / "out.csv";
    Frame().OnCommand(command::kFileExportCsv);
    QCOMPARE(test::ReadAll(answer), channel_csv::Export(Doc()));
    QCOMPARE(asked.size(), std::size_t{3});
    QVERIFY(!asked[0].save && asked[2].save);
    QCOMPARE(asked[2].proposed, std::filesystem::path("channels.csv"));
    for (const FileDialogCall& call : asked) {
      QCOMPARE(call.filter, std::string(kCsvFileFilter));
      QCOMPARE(call.defaultSuffix, std::string("csv"));
    }

    // The import is one step of the history.
    Frame().OnCommand(command::kEditUndo);
    QVERIFY(image() == before);
    QVERIFY(!Doc().IsModified());
    QCOMPARE(ChannelPage().Grid().GetItemText(1, 1), QString());
    // Without channels in use there is nothing to export: a message before any file name
    // is asked for, and no file.
    answer = *dir_ / "empty.csv";
    const std::size_t namesAsked = asked.size();
    {
      test::ScriptedMessageBoxes boxes;
      Frame().OnCommand(command::kFileExportCsv);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_CSV_NOCHANNELSINUSE"});
    }
    QCOMPARE(asked.size(), namesAsked);
    QVERIFY(!std::filesystem::exists(answer));
  }

  void openOfAFileWithAWrongHeaderWarnsAndShowsAnEmptyImageUnderItsName() {
    const std::filesystem::path file = SavedFile("foreign.vxp");
    std::string bytes = test::ReadAll(file);
    bytes.replace(28, 17, std::string(17, 'x'));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    test::ScriptedMessageBoxes boxes;
    QVERIFY(App().OpenDocumentFile(file));
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_WARN_LOAD"});
    QCOMPARE(Frame().windowTitle(), QStringLiteral("foreign.vxp - Corvane"));
    for (std::uint8_t byte : Doc().Image()) QCOMPARE(byte, std::uint8_t{0xFF});
    QCOMPARE(ChannelPage().Grid().GetItemText(1, 1), QString());
  }

  void anUnreadableFileKeepsTheCurrentConfiguration() {
    Doc().SetChannelFrequency(3, true, "442.000000", App().Questions());
    test::ScriptedMessageBoxes boxes({PromptAnswer::No});
    QVERIFY(!App().OpenDocumentFile(*dir_ / "missing.vxp"));
    QCOMPARE(boxes.Keys(), (std::vector<std::string>{"IDS_SAVE_CHANGES", "IDS_ERROR_OPENFILE"}));
    QVERIFY(Doc().IsChannelUsed(3));
    QCOMPARE(Frame().windowTitle(), QStringLiteral("default - Corvane"));
  }

  // A folder opened or dropped by mistake is no file: the configuration, its undo
  // history and the title stay as they were, and the file error says why.
  void aFolderOpenedOrDroppedKeepsTheConfigurationItsHistoryAndTitle_data() {
    QTest::addColumn<bool>("dropped");
    QTest::newRow("File, Open") << false;
    QTest::newRow("dropped") << true;
  }
  void aFolderOpenedOrDroppedKeepsTheConfigurationItsHistoryAndTitle() {
    QFETCH(bool, dropped);
    QVERIFY(App().OpenDocumentFile(SavedFile("mine.vxp")));
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    grid.SetFocusCell(2, 1);
    Type("441.5");
    Press(Qt::Key_Return);
    QAction* undo = Frame().Action(command::kEditUndo);
    QVERIFY(undo->isEnabled());
    const QString undoText = undo->text();
    const CTavroPgmDoc::State edited = Doc().CurrentState();
    const std::filesystem::path folder = *dir_ / "folder.vxp";
    std::filesystem::create_directory(folder);

    test::ScriptedMessageBoxes boxes({PromptAnswer::No});
    if (dropped) {
      DropOnFrame(QString::fromStdString(folder.string()));
      QTRY_COMPARE(boxes.Keys().size(), std::size_t{2});
    } else {
      QVERIFY(!App().OpenDocumentFile(folder));
    }
    QCOMPARE(boxes.Keys(), (std::vector<std::string>{"IDS_SAVE_CHANGES", "IDS_ERROR_OPENFILE"}));
    QVERIFY(Doc().HasState(edited));
    QVERIFY(Doc().IsModified());
    QCOMPARE(Frame().windowTitle(), QStringLiteral("mine.vxp - Corvane"));
    QCOMPARE(undo->text(), undoText);
    QCOMPARE(grid.GetItemText(2, 1), QStringLiteral("441.500000"));
    Frame().OnCommand(command::kEditUndo);
    QVERIFY(!Doc().IsChannelUsed(2));
    QVERIFY(!Doc().IsModified());
  }

  void aDroppedFileOpensAfterTheDropHasEnded() {
    const std::filesystem::path file = SavedFile("dropped.vxp");
    Doc().SetChannelFrequency(3, true, "442.000000", App().Questions());
    test::ScriptedMessageBoxes boxes;  // No: the unsaved change is dropped
    bool inDrop = false;
    std::vector<bool> askedInDrop;
    boxes.onShow = [&](const MessageBoxCall&) { askedInDrop.push_back(inDrop); };
    inDrop = true;
    DropOnFrame(QString::fromStdString(file.string()));
    inDrop = false;
    // The program the file came from is not kept waiting on our questions.
    QVERIFY(boxes.Shown().empty());
    QCOMPARE(Frame().windowTitle(), QStringLiteral("default - Corvane"));
    QTRY_COMPARE(Frame().windowTitle(), QStringLiteral("dropped.vxp - Corvane"));
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_SAVE_CHANGES"});
    QCOMPARE(askedInDrop, std::vector<bool>{false});
    QCOMPARE(ChannelPage().Grid().GetItemText(1, 1), QStringLiteral("440.125000"));
    QVERIFY(!Doc().IsChannelUsed(3));
  }

  // However the file is named, the questions show its full path.
  void theSaveQuestionShowsTheFullPathOfAnOpenedFile_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("command line") << "command line";
    QTest::newRow("Open dialog") << "open dialog";
    QTest::newRow("recent file") << "recent file";
    QTest::newRow("drop") << "drop";
  }
  void theSaveQuestionShowsTheFullPathOfAnOpenedFile() {
    QFETCH(QString, way);
    SavedFile("named.vxp");
    std::filesystem::create_directory(*dir_ / "sub");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QString::fromStdString(dir_->Path().string())));
    const std::filesystem::path full = std::filesystem::current_path() / "named.vxp";
    const QString typed = QStringLiteral("./sub/../named.vxp");
    if (way == "command line") {
      app_.reset();
      app_ = Start({typed});
    } else if (way == "open dialog") {
      SetFileDialogAnswerer([&](const FileDialogCall&) { return std::optional<std::filesystem::path>(typed.toStdString()); });
      Frame().OnCommand(command::kFileOpen);
    } else if (way == "recent file") {
      QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(CTavroPgmApp::kSettingsKey),
                QStringLiteral("Corvane"))
          .setValue("Recent File List/File1", typed);
      Frame().OnCommand(command::kFirstRecentFile);
    } else {
      DropOnFrame(QDir::currentPath() + QLatin1Char('/') + typed);
    }
    QTRY_COMPARE(Frame().windowTitle(), QStringLiteral("named.vxp - Corvane"));
    QVERIFY(QDir::setCurrent(previous));

    Doc().SetChannelFrequency(2, true, "441.000000", App().Questions());
    test::ScriptedMessageBoxes boxes({PromptAnswer::Cancel});
    Frame().OnCommand(command::kFileSave);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_WARN_SAVE"});
    QCOMPARE(boxes.Shown()[0].text, App().Files().GetText("IDS_WARN_SAVE") + full.string());
    QCOMPARE(App().RecentFiles().value(0).toStdString(), full.string());
  }

  void theRecentFileListKeepsFourMostRecentFirst() {
    std::vector<std::filesystem::path> files;
    for (int index = 0; index < 5; ++index) {
      files.push_back(SavedFile("file" + std::to_string(index) + ".vxp"));
      QVERIFY(App().OpenDocumentFile(files.back()));
    }
    QVERIFY(App().OpenDocumentFile(files[2]));  // again: moves to the front
    const QStringList recent = App().RecentFiles();
    QCOMPARE(recent.size(), 4);
    QCOMPARE(recent[0].toStdString(), files[2].string());
    QCOMPARE(recent[1].toStdString(), files[4].string());
    QCOMPARE(recent[3].toStdString(), files[1].string());
    QAction* first = Frame().Action(command::kFirstRecentFile);
    QVERIFY(first->isVisible());
    QVERIFY(first->text().endsWith(QString::fromStdString(files[2].string())));

    // Kept per user across runs, under the program's settings key.
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(CTavroPgmApp::kSettingsKey),
                       QStringLiteral("Corvane"));
    QCOMPARE(settings.value("Recent File List/File2").toString().toStdString(), files[4].string());

    // Choosing an entry opens it; an entry whose file has gone is taken off.
    Frame().OnCommand(command::kFirstRecentFile + 1);
    QCOMPARE(Frame().windowTitle(), QStringLiteral("file4.vxp - Corvane"));
    std::filesystem::remove(files[3]);
    test::ScriptedMessageBoxes boxes;
    Frame().OnCommand(command::kFirstRecentFile + 2);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_ERROR_OPENFILE"});
    QVERIFY(!App().RecentFiles().contains(QString::fromStdString(files[3].string())));
  }

  // ------------------------------------------------------------------ view

  void pagesAreCreatedOnceAndReloadInTabOrder() {
    std::vector<CPage*> pages;
    for (int index = 0; index < CTavroPgmView::kPageCount; ++index) pages.push_back(Frame().View().Page(index));
    std::vector<int> order;
    for (int index = 0; index < CTavroPgmView::kPageCount; ++index) {
      connect(pages[static_cast<std::size_t>(index)], &CPage::loaded, this, [&order, index] { order.push_back(index); });
    }
    Frame().View().Tabs().setCurrentIndex(3);
    const std::filesystem::path file = SavedFile("reload.vxp");
    QVERIFY(App().OpenDocumentFile(file));
    QCOMPARE(order, (std::vector<int>{0, 1, 2, 3}));
    for (int index = 0; index < CTavroPgmView::kPageCount; ++index) {
      QCOMPARE(Frame().View().Page(index), pages[static_cast<std::size_t>(index)]);
    }
    QCOMPARE(Frame().View().Tabs().currentIndex(), 3);  // the shown tab stays
  }

  void tabCaptionsAreReadAgainOnEveryReload() {
    WriteLanguage("String", "IDS_DLGTONE", "Selective Calling");
    test::ScriptedMessageBoxes boxes({PromptAnswer::Ok});
    Frame().OnCommand(command::kFileNew);
    QCOMPARE(Frame().View().Tabs().tabText(3), QStringLiteral("Selective Calling"));
  }

  // The user's size stays: New, Open and a drop only grow a window too small for the form.
  void theWindowKeepsTheUsersSize_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("command");
    for (const char* window : {"larger", "maximised", "full screen", "too small"}) {
      for (const char* command : {"New", "Open", "drop"}) {
        QTest::addRow("%s, %s", window, command) << window << command;
      }
    }
  }
  void theWindowKeepsTheUsersSize() {
    QFETCH(QString, window);
    QFETCH(QString, command);
    const std::filesystem::path file = SavedFile("sized.vxp");
    const QSize fitted = Frame().size();
    const QSize screen = Frame().screen()->availableGeometry().size();
    const QSize larger = fitted + QSize(200, 150);
    QVERIFY2(larger.width() < screen.width() && larger.height() < screen.height(), "the screen leaves no room to grow");
    if (window == "larger") {
      Frame().resize(larger);
    } else if (window == "maximised") {
      Frame().showMaximized();
    } else if (window == "full screen") {
      Frame().showFullScreen();
    } else {
      Frame().resize(fitted / 2);
    }
    QTRY_VERIFY(Frame().size() != fitted);
    const QSize before = Frame().size();
    const Qt::WindowStates state = Frame().windowState();

    test::ScriptedMessageBoxes boxes;
    if (command == "New") {
      Frame().OnCommand(command::kFileNew);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_WARN_CLEAR"});
    } else if (command == "Open") {
      QVERIFY(App().OpenDocumentFile(file));
    } else {
      DropOnFrame(QString::fromStdString(file.string()));
      QTRY_COMPARE(Frame().windowTitle(), QStringLiteral("sized.vxp - Corvane"));
    }
    QCOMPARE(Frame().windowState(), state);
    if (window == "too small") {
      QCOMPARE(Frame().size(), fitted);  // grown to show the form again
    } else {
      QCOMPARE(Frame().size(), before);
    }
    Frame().showNormal();
  }

  void theWindowShowsTheWholeFormAsFarAsTheScreenAllows() {
    // The frame fits the form in each direction, unless the screen is smaller.
    const QSize form = Frame().View().FormSize();
    const QSize screen = Frame().screen()->availableGeometry().size();
    const QSize shown = Frame().View().size();
    QVERIFY(shown.width() >= form.width() || Frame().width() == screen.width());
    QVERIFY(shown.height() >= form.height() || Frame().height() == screen.height());
    QVERIFY(Frame().width() <= screen.width() && Frame().height() <= screen.height());
  }

  // ------------------------------------------------------------------ keys and closing

  void ctrlRInAGridCellOpensTheReadDialog() {
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    grid.SetFocusCell(1, 1);
    QVERIFY(grid.hasFocus());
    const auto dialog = ModalDialogOpenedBy<CWRDlg>([&] { QTest::keyClick(&grid, Qt::Key_R, Qt::ControlModifier); });
    QVERIFY(dialog && dialog->isRead);
  }

  void testModeCommandOpensTheTestModeWindow() {
    QAction* testMode = Frame().Action(command::kProgramTest);
    QVERIFY(testMode->isEnabled());
    QVERIFY(ModalDialogOpenedBy<CTestDlg>([&] { testMode->trigger(); }));
  }

  void acceleratorsReachTheWindowFromAnEditFieldOfAPage() {
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.SetFocusCell(1, 1);
    grid.EditCell(1, 1);
    CFreqEdit& editor = ChannelPage().FrequencyEdit();
    QVERIFY(editor.hasFocus());
    // Ctrl+A is the About box, not the edit field's select-all.
    QVERIFY(ModalDialogOpenedBy<CAboutDlg>([&] { QTest::keyClick(&editor, Qt::Key_A, Qt::ControlModifier); }));
    // Ctrl+V is Print Preview, but a field that takes text keeps its paste.
    QVERIFY(Frame().Action(command::kFilePrintPreview)->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("441.5"));
    ActivateFrame();
    grid.EditCell(1, 1);  // the About box took the focus, which ended the edit
    QTRY_VERIFY(editor.hasFocus());
    editor.clear();
    bool previewOpened = false;
    QTimer::singleShot(0, this, [&] {
      if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
        previewOpened = true;
        preview->reject();
      }
    });
    QTest::keyClick(&editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.text(), QStringLiteral("441.5"));
    QCoreApplication::processEvents();
    QVERIFY(!previewOpened);
    // The channel grid pastes too; where nothing can be pasted, on a list, Ctrl+V opens
    // the preview.
    grid.setFocus();
    QTRY_VERIFY(grid.hasFocus());
    grid.SetFocusCell(2, 1);
    QTimer::singleShot(0, this, [&] {
      if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
        previewOpened = true;
        preview->reject();
      }
    });
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(grid.GetItemText(2, 1), QStringLiteral("441.500000"));
    QCoreApplication::processEvents();
    QVERIFY(!previewOpened);
    auto* list = ChannelPage().ControlAs<QComboBox>(CDlgCh::kModelSelectorId);
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    QVERIFY(ModalDialogOpenedBy<QPrintPreviewDialog>([&] { QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier); }));
  }

  // Enter and Esc in a cell's editor give the focus back to the grid on that cell: a column
  // fills from the keyboard alone.
  void theKeyboardFillsAColumnWithoutTheMouse() {
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    test::ScriptedMessageBoxes boxes;
    Press(Qt::Key_Down);  // the first key shows where the focus cell is: channel 1
    Press(Qt::Key_Return);
    const QStringList frequencies = {"440.125", "441.5", "442", "445.25"};
    for (int index = 0; index < frequencies.size(); ++index) {
      const int channel = index + 1;
      Type(frequencies[index]);  // into the editor that Enter or the first digit opened
      Press(Qt::Key_Return);
      QCOMPARE(QApplication::focusWidget(), &grid);
      QCOMPARE(grid.FocusRow(), channel);
      QCOMPARE(grid.FocusColumn(), 1);
      Press(Qt::Key_Down);
    }
    QVERIFY(boxes.Shown().empty());
    for (int index = 0; index < frequencies.size(); ++index) {
      const int channel = index + 1;
      QCOMPARE(QString::fromStdString(Doc().ChannelFrequencyText(channel, true)).toDouble(), frequencies[index].toDouble());
      QCOMPARE(grid.GetItemText(channel, 1), QString::fromStdString(Doc().ChannelFrequencyText(channel, true)));
    }

    // Esc leaves the cell as it was, and the arrows go on from it.
    QCOMPARE(grid.FocusRow(), 5);
    Type("446");
    QVERIFY(ChannelPage().FrequencyEdit().isVisible());
    Press(Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), &grid);
    QVERIFY(!Doc().IsChannelUsed(5));
    Press(Qt::Key_Up);
    QCOMPARE(grid.FocusRow(), 4);

    // The tone column's code box too: typing opens it with the first character.
    Press(Qt::Key_Right);
    Type("88.5");
    QVERIFY(ChannelPage().ToneBox().isVisible());
    Press(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), &grid);
    QCOMPARE(Doc().ToneToText(4, true), std::string("88.5"));
    QCOMPARE(grid.FocusColumn(), 2);
    QVERIFY(!grid.HasExternalEditor());
  }

  // A tab switch in the middle of a cell edit commits it, as leaving the cell does, and no
  // editor is left over the cell.
  void switchingTabsDuringACellEditCommitsIt_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("backKey");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("frequency, Ctrl+Tab")
        << 1 << int(Qt::Key_Tab) << int(Qt::Key_Backtab) << "440.125" << "440.125000";
    QTest::newRow("frequency, Ctrl+PgDown")
        << 1 << int(Qt::Key_PageDown) << int(Qt::Key_PageUp) << "440.125" << "440.125000";
    QTest::newRow("tone, Ctrl+Tab") << 2 << int(Qt::Key_Tab) << int(Qt::Key_Backtab) << "D023N" << "D023N";
    QTest::newRow("tone, Ctrl+PgDown") << 2 << int(Qt::Key_PageDown) << int(Qt::Key_PageUp) << "D023N" << "D023N";
  }
  void switchingTabsDuringACellEditCommitsIt() {
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(int, backKey);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Doc().SetChannelFrequency(2, true, "441.000000", App().Questions());
    Doc().SetModifiedFlag(false);
    Frame().View().OnUpdate();
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    const int row = column == 1 ? 1 : 2;
    grid.SetFocusCell(row, column);
    Press(Qt::Key_Return);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor == &ChannelPage().FrequencyEdit() || editor == &ChannelPage().ToneBox());
    Type(typed);

    test::ScriptedMessageBoxes boxes;
    Press(Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(Frame().View().Tabs().currentIndex(), 1);
    QVERIFY(boxes.Shown().empty());
    QVERIFY(Doc().IsModified());
    QCOMPARE(grid.GetItemText(row, column), shown);
    QVERIFY(editor->isHidden());
    QVERIFY(!grid.HasExternalEditor());

    Press(Qt::Key(backKey), backKey == Qt::Key_Backtab ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    QCOMPARE(Frame().View().Tabs().currentIndex(), 0);
    for (QWidget* each : std::initializer_list<QWidget*>{&ChannelPage().FrequencyEdit(), &ChannelPage().ToneBox(),
                                                         &ChannelPage().OptionBox()}) {
      QVERIFY(!each->isVisible());
    }
    QCOMPARE(grid.GetItemText(row, column), shown);
  }

  // A command stores the edit in progress first, as leaving the cell does: a recent file
  // chosen from the menu while a cell was edited asks about the edit, and answering No
  // opens the file as it was saved, with no editor left open over its rows.
  void aCommandStoresTheEditInProgressFirst() {
    const std::filesystem::path file = SavedFile("reopened.vxp");
    QVERIFY(App().OpenDocumentFile(file));
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    grid.SetFocusCell(1, 1);
    Press(Qt::Key_Return);
    CFreqEdit& editor = ChannelPage().FrequencyEdit();
    QVERIFY(editor.hasFocus());
    Type("446");

    test::ScriptedMessageBoxes boxes({PromptAnswer::No});
    Frame().OnCommand(command::kFirstRecentFile);  // the same file again
    QCOMPARE(boxes.Keys().size(), std::size_t{1});  // save the changes?
    QVERIFY(editor.isHidden());
    QVERIFY(!grid.HasExternalEditor());
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("440.125000"));
    QCOMPARE(Doc().ChannelFrequencyText(1, true), std::string("440.125000"));
    QVERIFY(!Doc().IsModified());
  }

  // A write cancelled in the second a first-generation radio takes after the last block
  // leaves its worker running; closing the program waits for it with the window still
  // drawn under a busy cursor, then frees the port.
  void closingWaitsForACancelledTransferWithoutFreezing() {
    test::TempDir scratch;
    test::RecordingRadio radio(scratch.Path(), {"--generation", "1", "--band", "0000004700000040"});
    const AppFiles& files = App().Files();
    files.WriteSetting("ports", "1", radio.PtyPath());
    files.WriteSetting("setup", "com", "1");
    files.WriteSetting("setup", "autocom", "0");
    Doc().SetChannelFrequency(1, true, "440.125000", App().Questions());
    {
      CWRDlg write(TransferContext{files, Doc(), App().Port(), nullptr, {}}, false, &Frame());
      write.show();
      QTest::mouseClick(Control<QPushButton>(&write, kIdOk), Qt::LeftButton);
      auto* progress = Control<QLabel>(&write, 1302);
      const QString full = QString::fromStdString(files.GetText("IDS_PROMPT_WRITE")) + " 100%";
      QTRY_VERIFY_WITH_TIMEOUT(progress->text() == full || !write.isVisible(), 30000);
      QCOMPARE(progress->text(), full);
      QTest::mouseClick(Control<QPushButton>(&write, kIdCancel), Qt::LeftButton);
    }

    test::EventsDuringWait wait;
    test::ScriptedMessageBoxes boxes;  // No: the configuration is not saved
    QVERIFY(Frame().close());
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_SAVE_CHANGES"});
    QVERIFY(wait.ran);
    QVERIFY(wait.busyCursor);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!App().Port().IsOpen());
  }

  void closingWhileACellIsEditedStoresTheEditBeforeTheQuestion() {
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.SetFocusCell(1, 1);
    grid.EditCell(1, 1);
    CFreqEdit& editor = ChannelPage().FrequencyEdit();
    QVERIFY(editor.isVisible());
    QTest::keyClicks(&editor, "440.125");
    std::string storedAtQuestion;
    test::ScriptedMessageBoxes boxes({PromptAnswer::Cancel});
    boxes.onShow = [&](const MessageBoxCall&) { storedAtQuestion = Doc().ChannelFrequencyText(1, true); };
    QVERIFY(!Frame().close());  // Cancel keeps the window
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_SAVE_CHANGES"});
    QCOMPARE(storedAtQuestion, std::string("440.125000"));
    QVERIFY(Frame().isVisible());
  }

  // ------------------------------------------------------------------ copy, paste, undo

  void theGridCopiesRowsAndPastesThemAsTyping() {
    ActivateFrame();
    Doc().SetChannelFrequency(1, true, "440.125000", App().Questions());
    Doc().SetChannelTone(1, true, "88.5");
    Doc().SetChannelFrequency(2, true, "441.000000", App().Questions());
    Doc().SetChannelFrequency(2, false, "446.000000", App().Questions());
    Frame().OnImageReplaced();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    // A click on the heading of row 1, a Shift+click on that of row 2: both rows.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(1, 0).center());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, grid.CellRect(2, 0).center());
    const GridRange rows = grid.SelectedRange();
    QCOMPARE(QList<int>({rows.top, rows.left, rows.bottom, rows.right}), QList<int>({1, 1, 2, 12}));
    Press(Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    const QStringList first = lines[0].split(QLatin1Char('\t'));
    QCOMPARE(first.size(), 12);
    QCOMPARE(first.mid(0, 5), QStringList({"440.125000", "88.5", "None", "440.125000", "88.5"}));
    QCOMPARE(lines[1].split(QLatin1Char('\t')).at(3), QStringLiteral("446.000000"));

    // Pasted from channel 5 on, the rows come out as copied, the split channel included.
    grid.SetFocusCell(5, 1);
    test::ScriptedMessageBoxes boxes;
    Press(Qt::Key_V, Qt::ControlModifier);
    QVERIFY(boxes.Shown().empty());
    for (const int channel : {1, 2}) {
      channel_table::Row copied = channel_table::RowTexts(Doc(), channel);
      channel_table::Row pasted = channel_table::RowTexts(Doc(), channel + 4);
      copied[0] = pasted[0] = "";
      QVERIFY(copied == pasted);
      QCOMPARE(grid.GetItemText(channel + 4, 4), ToQString(copied[4]));
    }

    // A spreadsheet's line: fewer decimals, lower case, CR LF. An empty channel takes the
    // receive frequency for transmitting too, as typing it does.
    QApplication::clipboard()->setText(QStringLiteral("446.00625\td023n\r\n"));
    grid.SetFocusCell(8, 1);
    Press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Doc().ChannelFrequencyText(8, true), std::string("446.006250"));
    QCOMPARE(Doc().ChannelFrequencyText(8, false), std::string("446.006250"));
    QCOMPARE(Doc().ToneToText(8, true), std::string("D023N"));

    // One value pasted over a selected column goes into every selected cell.
    grid.SetFocusCell(5, channel_table::kBandwidth);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    QApplication::clipboard()->setText(QStringLiteral("narrow"));
    Press(Qt::Key_V, Qt::ControlModifier);
    for (const int channel : {5, 6})
      QCOMPARE(channel_table::CellText(Doc(), channel, channel_table::kBandwidth), App().Files().GetText("IDS_NARROW"));
    QVERIFY(boxes.Shown().empty());
  }

  void aPasteIsRefusedWhereTypingWouldBe() {
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    grid.SetFocusCell(3, 1);
    // Out of the band: the page's question; Cancel keeps the channel free, and with it
    // the rest of the row.
    QApplication::clipboard()->setText(QStringLiteral("999.5\t88.5"));
    {
      test::ScriptedMessageBoxes boxes({PromptAnswer::Cancel});
      Press(Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_OUTOFRANGE"});
      QVERIFY(!Doc().IsChannelUsed(3));
    }
    {
      test::ScriptedMessageBoxes boxes({PromptAnswer::Ok});
      Press(Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(Doc().ChannelFrequencyText(3, true), Doc().BandEdgeText(true));
      QCOMPARE(Doc().ToneToText(3, true), std::string("88.5"));
    }

    // Text a cell's editor could not hold, or cells beyond the table: one message, and
    // nothing changes.
    const CTavroPgmDoc::State before = Doc().CurrentState();
    const struct {
      int channel;
      QString text;
      std::vector<std::string> named;
    } refused[] = {
        {3, QStringLiteral("441.5\tHigh\n12x\t88.5"), {"CH 3 / RX CTC/DCS: High", "CH 4 / RX Freq [MHz]: 12x"}},
        {3, QStringLiteral("441.5\t023"), {"CH 3 / RX CTC/DCS: 023", App().Files().GetText("IDS_TONE_RULE")}},
        {16, QStringLiteral("441.5\n442.5"), {App().Files().GetText("IDS_PASTE_BEYOND")}},
        {1, QStringLiteral("441.5\t\t\t\t\t\t\t\t\t\t\t\tmore"), {App().Files().GetText("IDS_PASTE_BEYOND")}},
    };
    for (const auto& paste : refused) {
      grid.SetFocusCell(paste.channel, 1);
      QApplication::clipboard()->setText(paste.text);
      test::ScriptedMessageBoxes boxes;
      Press(Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_PASTE_REFUSED"});
      for (const std::string& line : paste.named) QVERIFY2(boxes.Shown()[0].text.find(line) != std::string::npos, line.c_str());
      QVERIFY(Doc().HasState(before));
    }
  }

  // A tone typed into a cell goes through the tone rule: a text it refuses ("023", once
  // stored as 67.0) leaves the cell as it was, with one message naming the cell, and the
  // editor stays open with the text to be corrected.
  void aRefusedToneKeepsItsCellAndItsEditorOpen() {
    Doc().SetChannelFrequency(2, true, "441.000000", App().Questions());
    Doc().SetChannelTone(2, true, "88.5");
    Frame().View().OnUpdate();
    ActivateFrame();
    CGridCtrl& grid = ChannelPage().Grid();
    CCodeBox& box = ChannelPage().ToneBox();
    grid.setFocus();
    grid.SetFocusCell(2, 2);
    const CTavroPgmDoc::State before = Doc().CurrentState();
    for (const QString& typed : {QStringLiteral("023"), QStringLiteral("999"), QStringLiteral("50")}) {
      Type(typed);
      QCOMPARE(box.currentText(), typed);
      test::ScriptedMessageBoxes boxes;
      Press(Qt::Key_Return);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_TONE_REFUSED"});
      const std::string& message = boxes.Shown()[0].text;
      QVERIFY2(message.find("CH 2 / RX CTC/DCS: " + typed.toStdString()) != std::string::npos, message.c_str());
      QVERIFY2(message.find(App().Files().GetText("IDS_TONE_RULE")) != std::string::npos, message.c_str());
      QVERIFY(Doc().HasState(before));
      QCOMPARE(grid.GetItemText(2, 2), QStringLiteral("88.5"));
      QVERIFY(box.isVisible());
      QCOMPARE(box.currentText(), typed);
      QCOMPARE(QApplication::focusWidget(), &box);
      // A click on another cell does not open a second editor over the refused one.
      grid.SetFocusCell(3, 1);
      grid.EditCell(3, 1);
      QVERIFY(!ChannelPage().FrequencyEdit().isVisible());
      QCOMPARE(QApplication::focusWidget(), &box);
      // Esc puts the cell's text back and ends the edit.
      Press(Qt::Key_Escape);
      QVERIFY(!box.isVisible());
      QVERIFY(Doc().HasState(before));
      grid.SetFocusCell(2, 2);
    }
    // Full-width digits from an input method are no tone either: refused, not read as 88.5.
    Press(Qt::Key_Return);
    QVERIFY(box.isVisible());
    box.lineEdit()->selectAll();
    QInputMethodEvent fullWidth;
    fullWidth.setCommitString(QStringLiteral("\uFF18\uFF18\uFF0E\uFF15"));
    QApplication::sendEvent(box.lineEdit(), &fullWidth);
    {
      test::ScriptedMessageBoxes boxes;
      Press(Qt::Key_Return);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_TONE_REFUSED"});
      QVERIFY(Doc().HasState(before));
      Press(Qt::Key_Escape);
    }
    // A tone off the standard list is one the radio stores: taken as typed.
    Type("88.4");
    test::ScriptedMessageBoxes boxes;
    Press(Qt::Key_Return);
    QVERIFY(boxes.Shown().empty());
    QCOMPARE(Doc().ToneToText(2, true), std::string("88.4"));
    QCOMPARE(grid.GetItemText(2, 2), QStringLiteral("88.4"));
  }

  void deleteErasesTheSelectedChannelsInOneStep() {
    ActivateFrame();
    for (const int channel : {1, 2, 3}) Doc().SetChannelFrequency(channel, true, "440.125000", App().Questions());
    Frame().OnImageReplaced();
    Frame().ResetEditHistory();
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    grid.SetFocusCell(2, 4);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_Delete);
    QVERIFY(Doc().IsChannelUsed(1));
    QVERIFY(!Doc().IsChannelUsed(2));
    QVERIFY(!Doc().IsChannelUsed(3));
    QCOMPARE(grid.GetItemText(3, 1), QString());
    Press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Doc().IsChannelUsed(2));
    QVERIFY(Doc().IsChannelUsed(3));
    QCOMPARE(grid.GetItemText(3, 1), QStringLiteral("440.125000"));
    QVERIFY(!Frame().Action(command::kEditUndo)->isEnabled());
  }

  void undoTakesBackOneUserActionAtATimeOnEveryPage() {
    ActivateFrame();
    QAction* undo = Frame().Action(command::kEditUndo);
    QAction* redo = Frame().Action(command::kEditRedo);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    const CTavroPgmDoc::State fresh = Doc().CurrentState();

    // A frequency typed into a cell, a check box of the function page, a model change.
    CGridCtrl& grid = ChannelPage().Grid();
    grid.setFocus();
    grid.SetFocusCell(1, 1);
    Type("440.125");
    Press(Qt::Key_Return);
    const CTavroPgmDoc::State typed = Doc().CurrentState();
    QVERIFY(undo->isEnabled());
    // The caption names the first control the step changed; the channel's other cells follow.
    QVERIFY2(undo->text().startsWith(QStringLiteral("&Undo CH 1 / RX Freq [MHz] (and ")), qPrintable(undo->text()));
    QVERIFY(undo->text().endsWith(QStringLiteral("\tCtrl+Z")));
    CTavroPgmView& view = Frame().View();
    view.Tabs().setCurrentIndex(1);
    auto* announce = view.Page(1)->ControlAs<QCheckBox>(function_page::id::kAnnounceChannel);
    const bool announced = announce->isChecked();
    QTest::mouseClick(announce, Qt::LeftButton);
    const CTavroPgmDoc::State checked = Doc().CurrentState();
    QVERIFY(checked != typed);
    view.Tabs().setCurrentIndex(0);
    auto* models = ChannelPage().ControlAs<QComboBox>(CDlgCh::kModelSelectorId);
    {
      test::ScriptedMessageBoxes boxes({PromptAnswer::Ok});
      models->setFocus();
      models->showPopup();
      models->view()->setCurrentIndex(models->model()->index(0, 0));
      QTest::keyClick(models->view(), Qt::Key_Return);
      QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_CONFIRM_FREQ"});
    }
    QCOMPARE(Doc().ModelIndex(), 0);
    const CTavroPgmDoc::State changed = Doc().CurrentState();

    // Ctrl+Z goes back one action at a time, each shown on its page.
    Press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Doc().HasState(checked));
    QCOMPARE(Doc().ModelIndex(), CTavroPgmDoc::kNewDocumentModel);
    QCOMPARE(models->currentIndex(), CTavroPgmDoc::kNewDocumentModel);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Doc().HasState(typed));
    QCOMPARE(view.Tabs().currentIndex(), 1);
    QCOMPARE(announce->isChecked(), announced);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Doc().HasState(fresh));
    QCOMPARE(view.Tabs().currentIndex(), 0);
    QCOMPARE(grid.GetItemText(1, 1), QString());
    QCOMPARE(QList<int>({grid.FocusRow(), grid.FocusColumn()}), QList<int>({1, 1}));
    QVERIFY(!Doc().IsModified());  // back where the new configuration started
    QVERIFY(!undo->isEnabled());

    // Ctrl+Y and Ctrl+Shift+Z go forward again.
    Press(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(Doc().HasState(typed));
    QVERIFY(Doc().IsModified());
    Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    Press(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(Doc().HasState(changed));
    QVERIFY(!redo->isEnabled());

    // A new change after an undo leaves nothing to redo.
    Frame().OnCommand(command::kEditUndo);
    QVERIFY(redo->isEnabled());
    view.Tabs().setCurrentIndex(0);
    grid.setFocus();
    grid.SetFocusCell(2, 1);
    Type("441");
    Press(Qt::Key_Return);
    QVERIFY(!redo->isEnabled());
    QVERIFY(Doc().IsChannelUsed(2));
  }

  void undoBackToTheSavedStateLeavesNothingToSave() {
    const std::filesystem::path file = SavedFile("saved.vxp");
    QVERIFY(App().OpenDocumentFile(file));
    ActivateFrame();
    QAction* undo = Frame().Action(command::kEditUndo);
    QVERIFY(!undo->isEnabled());
    CGridCtrl& grid = ChannelPage().Grid();
    const auto typeInto = [&](int channel, const QString& text) {
      grid.setFocus();
      grid.SetFocusCell(channel, 1);
      Type(text);
      Press(Qt::Key_Return);
    };
    typeInto(2, QStringLiteral("441.5"));
    test::ScriptedMessageBoxes boxes({PromptAnswer::Ok});
    Frame().OnCommand(command::kFileSave);
    QVERIFY(!Doc().IsModified());
    typeInto(3, QStringLiteral("442.5"));
    QVERIFY(Doc().IsModified());
    Frame().OnCommand(command::kEditUndo);
    QVERIFY(!Doc().IsModified());
    Frame().OnCommand(command::kEditUndo);
    QVERIFY(Doc().IsModified());
    QVERIFY(!Doc().IsChannelUsed(2));
    Frame().OnCommand(command::kEditRedo);
    QVERIFY(!Doc().IsModified());

    // Open and New start a history of their own.
    QVERIFY(App().OpenDocumentFile(file));
    QVERIFY(!undo->isEnabled());
    QVERIFY(!Frame().Action(command::kEditRedo)->isEnabled());
    typeInto(4, QStringLiteral("443.5"));
    QVERIFY(undo->isEnabled());
    boxes.Then(PromptAnswer::No);  // the changes are not saved
    boxes.Then(PromptAnswer::Ok);
    Frame().OnCommand(command::kFileNew);
    QVERIFY(!Doc().IsChannelUsed(4));
    QVERIFY(!undo->isEnabled());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
