// File -> Radio Backups: the list newest first, and Open as a new, untitled configuration
// that Save never writes over the backup.
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <ctime>
#include <filesystem>
#include <optional>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "dialogs/backups_dlg.h"
#include "link/voice_package.h"
#include "radio/backups.h"
#include "radio/document.h"
#include "res/main_resources.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"

namespace {

constexpr std::time_t kNow = 1796998069;
constexpr std::time_t kDay = 24 * 60 * 60;

// A backup of a new model-2 configuration with `channels` channels in use, made at `when`.
std::filesystem::path WriteBackup(const AppFiles& files, const std::filesystem::path& folder, int channels,
                                  std::time_t when) {
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc(files);
  test::NewDocument(doc, prompter);
  const char* frequencies[] = {"446.00625", "446.01875", "446.03125"};
  for (int channel = 1; channel <= channels; ++channel) doc.SetChannelFrequency(channel, true, frequencies[channel - 1], prompter);
  return backup::Write(folder, backup::DataFileBytes(doc), backup::ModelName(doc), when, 0).value();
}

QString Cell(const QTreeWidget& list, int row, int column) { return list.topLevelItem(row)->text(column); }

}  // namespace

class BackupsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void listsTheBackupsNewestFirstAndOpensTheChosenOne() {
    test::ProgramDir home;
    test::TempDir folder;
    const AppFiles files = home.Files();
    const std::filesystem::path older = WriteBackup(files, folder.Path(), 1, kNow - kDay);
    const std::filesystem::path newer = WriteBackup(files, folder.Path(), 3, kNow);
    folder.Write("notes.txt", "not a backup");
    const CVoicePackage voices(home.Path());

    CBackupsDlg dialog(files, voices, folder.Path());
    dialog.show();
    const QTreeWidget& list = dialog.List();
    QCOMPARE(list.topLevelItemCount(), 2);
    QCOMPARE(Cell(list, 0, CBackupsDlg::kTimeColumn),
             QString::fromStdString(backup::TimeText(*backup::ParseName(newer.filename().string()))));
    QCOMPARE(Cell(list, 1, CBackupsDlg::kTimeColumn),
             QString::fromStdString(backup::TimeText(*backup::ParseName(older.filename().string()))));
    QCOMPARE(Cell(list, 0, CBackupsDlg::kModelColumn), QStringLiteral("CV-407 UHF 400-470 MHz"));
    QCOMPARE(Cell(list, 0, CBackupsDlg::kChannelsColumn), QStringLiteral("3"));
    QCOMPARE(Cell(list, 1, CBackupsDlg::kChannelsColumn), QStringLiteral("1"));
    // No package beside the program: the identifier the configuration holds.
    QCOMPARE(Cell(list, 0, CBackupsDlg::kVoiceColumn), QStringLiteral("0000000000000000020001122389ABCD"));
    QCOMPARE(list.headerItem()->text(CBackupsDlg::kVoiceColumn), QString::fromStdString(files.GetText("IDS_BACKUP_VOICE")));
    QCOMPARE(Control<QLabel>(&dialog, CBackupsDlg::kFolderId)->text(), QString::fromStdString(folder.Path().string()));

    auto* open = Control<QPushButton>(&dialog, kIdOk);
    QCOMPARE(open->text(), QString::fromStdString(files.GetText("IDS_BACKUP_OPEN")));
    dialog.List().setCurrentItem(dialog.List().topLevelItem(1));
    QTest::mouseClick(open, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ChosenPath(), older);
  }

  void anEmptyFolderSaysSoAndOffersNothingToOpen() {
    test::ProgramDir home;
    test::TempDir folder;
    const AppFiles files = home.Files();
    const CVoicePackage voices(home.Path());
    CBackupsDlg dialog(files, voices, folder.Path() / "backups");
    QCOMPARE(dialog.List().topLevelItemCount(), 0);
    QVERIFY(!Control<QPushButton>(&dialog, kIdOk)->isEnabled());
    QCOMPARE(Control<QLabel>(&dialog, CBackupsDlg::kFolderId)->text(),
             QString::fromStdString(files.GetText("IDS_BACKUP_NONE") + " " + (folder.Path() / "backups").string()));
  }

  // Open from the menu: the backup's configuration, untitled; Save asks for a name and the
  // backup stays as it was.
  void openFromTheMenuMakesAnUntitledConfiguration() {
    test::ProgramDir dir;
    QTemporaryDir settingsHome;
    test::UseProgramDirectory(dir.Path(), settingsHome.path());
    const AppFiles files = dir.Files();
    const std::filesystem::path folder = test::DataHome(dir.Path()) / "corvane" / "backups";
    const std::filesystem::path kept = WriteBackup(files, folder, 2, std::time(nullptr));
    const std::string bytes = test::ReadAll(kept);

    test::ScriptedMessageBoxes boxes;
    auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane")});
    QVERIFY(app);
    CMainFrame& frame = app->MainFrame();
    bool opened = false;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<CBackupsDlg*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->List().topLevelItemCount(), 1);
      QTest::mouseClick(Control<QPushButton>(dialog, kIdOk), Qt::LeftButton);
      opened = true;
    });
    frame.OnCommand(command::kFileBackups);
    QVERIFY(opened);
    QVERIFY(boxes.Shown().empty());
    CTavroPgmDoc& doc = app->Document();
    QVERIFY(doc.PathName().empty());
    QVERIFY(doc.IsChannelUsed(2) && !doc.IsChannelUsed(3));
    QVERIFY(!app->RecentFiles().contains(QString::fromStdString(kept.string())));

    std::optional<FileDialogCall> asked;
    const std::filesystem::path saved = dir.Path() / "restored.vxp";
    SetFileDialogAnswerer([&](const FileDialogCall& call) -> std::optional<std::filesystem::path> {
      asked = call;
      return saved;
    });
    frame.OnCommand(command::kFileSave);
    SetFileDialogAnswerer({});
    QVERIFY(asked && asked->save);
    QCOMPARE(test::ReadAll(saved), bytes);
    QCOMPARE(test::ReadAll(kept), bytes);
  }
};

QTEST_MAIN(BackupsDialogTest)
#include "backups_dialog_test.moc"
