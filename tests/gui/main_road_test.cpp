// The main road through the desktop program against corvane-radio-sim: read the
// radio, save, open again, change a channel and write it back.

#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "dialogs/wr_dlg.h"
#include "pages/dlg_ch.h"
#include "pages/tavro_pgm_view.h"
#include "res/main_resources.h"
#include "settings/profile.h"
#include "tests/gui/gui_test_support.h"
#include "ui/file_dialog.h"
#include "ui/grid_ctrl.h"

class MainRoadTest : public QObject {
  Q_OBJECT

 private:
  // Runs a transfer command and presses OK in its dialog; returns when it has closed.
  void Transfer(CMainFrame& frame, int commandId) {
    bool started = false;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<CWRDlg*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      dialog->OnOK();
      started = true;
    });
    frame.OnCommand(commandId);  // modal until the transfer has ended
    QVERIFY(started);
  }

 private slots:
  void readSaveReopenAndWriteBack() {
    test::ProgramDir dir;
    QTemporaryDir settingsHome;
    test::UseProgramDirectory(dir.Path(), settingsHome.path());
    test::RecordingRadio radio(dir.Path(), {"--image", CORVANE_SOURCE_DIR "/sim/demo.vxp"});
    QVERIFY(profile::WriteString(dir / "setting.ini", "ports", "1", radio.PtyPath()));
    QVERIFY(profile::WriteString(dir / "setting.ini", "setup", "com", "1"));
    QVERIFY(profile::WriteString(dir / "setting.ini", "setup", "autocom", "0"));

    test::ScriptedMessageBoxes boxes;
    auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane")});
    QVERIFY(app);
    CMainFrame& frame = app->MainFrame();
    auto& page = *qobject_cast<CDlgCh*>(frame.View().Page(0));

    // What was read is where the history starts: an edit before it is not undone.
    app->Document().SetChannelFrequency(9, true, "450.250000", app->Questions());
    frame.RecordEditStep();
    QVERIFY(frame.Action(command::kEditUndo)->isEnabled());
    Transfer(frame, command::kProgramRead);
    QVERIFY(boxes.Shown().empty());
    QVERIFY(!frame.Action(command::kEditUndo)->isEnabled());
    QCOMPARE(page.Grid().GetItemText(5, 1), QStringLiteral("462.562500"));
    QCOMPARE(page.Grid().GetItemText(7, 2), QStringLiteral("D754I"));

    const std::filesystem::path file = dir / "radio.vxp";
    SetFileDialogAnswerer([&](const FileDialogCall&) -> std::optional<std::filesystem::path> { return file; });
    frame.OnCommand(command::kFileSave);
    SetFileDialogAnswerer({});
    QCOMPARE(std::filesystem::file_size(file), std::uintmax_t{1088});

    frame.OnCommand(command::kFileNew);  // the clear warning, answered OK
    QCOMPARE(page.Grid().GetItemText(5, 1), QString());
    QVERIFY(app->OpenDocumentFile(file));
    QCOMPARE(page.Grid().GetItemText(5, 1), QStringLiteral("462.562500"));

    app->Document().SetChannelFrequency(9, true, "450.250000", app->Questions());
    Transfer(frame, command::kProgramWrite);
    QCOMPARE(boxes.Keys(), std::vector<std::string>{"IDS_WARN_CLEAR"});
    const std::string written = radio.SavedMemory();
    QCOMPARE(written.size(), std::size_t{32768});
    const auto image = app->Document().Image();
    for (std::size_t offset = 0; offset < image.size(); ++offset) {
      if (offset == image::kKeyAndVox) continue;  // the transfer flag is set on the way
      QVERIFY2(static_cast<std::uint8_t>(written[offset]) == image[offset], qPrintable(QString::number(offset, 16)));
    }
    app->Document().SetModifiedFlag(false);
  }
};

QTEST_MAIN(MainRoadTest)
#include "main_road_test.moc"
