// corvane-screenshots: saves a PNG of the main window, each page and each dialog,
// in English and in Chinese (or the languages named after the folder), for looking at
// and for the user manual. Run it through scripts/screenshots.sh.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <iostream>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "dialogs/about_dlg.h"
#include "dialogs/backups_dlg.h"
#include "dialogs/compare_dlg.h"
#include "dialogs/dlg_test_rw.h"
#include "dialogs/dlg_authorization.h"
#include "dialogs/port_dlg.h"
#include "dialogs/test_dlg.h"
#include "dialogs/test_function.h"
#include "dialogs/wr_dlg.h"
#include "pages/tavro_pgm_view.h"
#include "radio/backups.h"
#include "settings/profile.h"
#include "tests/gui/gui_test_support.h"
#include "tests/unit/fake_system.h"

namespace {

void Save(QWidget& widget, const QString& file) {
  QApplication::processEvents();
  if (!widget.grab().save(file)) std::cerr << "cannot write " << file.toStdString() << "\n";
  std::cout << file.toStdString() << "\n";
}

void SaveDialog(QDialog& dialog, const QString& file) {
  dialog.show();
  Save(dialog, file);
  dialog.close();
}

void ShootLanguage(const QString& language, const QString& outDir) {
  const test::ProgramDir home;
  const std::filesystem::path settings = home / "setting.ini";
  profile::WriteString(settings, "setup", "language", language.toStdString());
  // Port 1 names a device that exists on every machine, so its button shows enabled.
  profile::WriteString(settings, "ports", "1", "/dev/null");
  const QTemporaryDir userSettings;
  test::UseProgramDirectory(home.Path(), userSettings.path());

  const std::unique_ptr<CTavroPgmApp> app = CTavroPgmApp::InitInstance({QStringLiteral("corvane"),
                                                                         QStringLiteral(CORVANE_SOURCE_DIR "/sim/demo.vxp")});
  if (!app) return;
  CMainFrame& frame = app->MainFrame();
  const QString prefix = outDir + QLatin1Char('/') + language + QLatin1Char('_');
  for (int tab = 0; tab < CTavroPgmView::kPageCount; ++tab) {
    frame.View().Tabs().setCurrentIndex(tab);
    Save(frame, prefix + QStringLiteral("main_tab%1.png").arg(tab));
  }
  frame.View().Tabs().setCurrentIndex(0);
  CAboutDlg about(app->Files(), &frame);
  SaveDialog(about, prefix + QStringLiteral("about.png"));
  // Two cables plugged in, one of them assigned to COM2.
  const test::FakeSystem system;
  system.AddCable({"ttyUSB0", "1-1", "1a86", "7523", "ch341", "usb-1a86_USB_Serial-if00-port0", "", "USB Serial", ""});
  system.AddCable({"ttyUSB1", "1-2", "067b", "2303", "pl2303", "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0",
                   "Prolific Technology Inc.", "USB-Serial Controller", ""});
  profile::WriteString(settings, "ports", "2", "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0");
  CPortDlg port(app->Files(), app->Port(), &frame, system.Path());
  SaveDialog(port, prefix + QStringLiteral("port.png"));
  for (const bool isRead : {true, false}) {
    CWRDlg transfer(TransferContext{app->Files(), app->Document(), app->Port(), &app->Voices(), {}}, isRead, &frame);
    SaveDialog(transfer, prefix + (isRead ? QStringLiteral("read.png") : QStringLiteral("write.png")));
  }
  const TransferContext testContext{app->Files(), app->Document(), app->Port(), nullptr, {}};
  CTestDlg testMode(testContext, &frame);
  SaveDialog(testMode, prefix + QStringLiteral("test_mode.png"));
  CTestFunction alignment(testContext, &frame);
  SaveDialog(alignment, prefix + QStringLiteral("test_function.png"));
  CDlgTestRW calibration(TransferContext{app->Files(), app->Document(), app->Port(), nullptr, {}}, &frame);
  SaveDialog(calibration, prefix + QStringLiteral("calibration.png"));
  CDlgAuthorization authorization(TransferContext{app->Files(), app->Document(), app->Port(), nullptr, {}}, &frame);
  SaveDialog(authorization, prefix + QStringLiteral("authorization.png"));
  const std::vector<config_dump::Difference> differences{
      {"151.1240", "3", "5"}, {"150.3.1", "446.006250", "446.018750"}, {"150.3.3", "None", "3"}, {"raw.0x3F0", "FF", "12"}};
  CCompareDlg compare(app->Files(), differences, "other-radio.vxp", &frame);
  SaveDialog(compare, prefix + QStringLiteral("compare.png"));
  // Three backups of the demo radio: two reads a day apart and one before a write.
  const std::filesystem::path backups = test::DataHome(home.Path()) / "corvane" / "backups";
  const auto demo = backup::DataFileBytes(app->Document());
  const std::time_t now = std::time(nullptr);
  for (const std::time_t when : {now - 86400 - 3600, now - 600, now})
    backup::Write(backups, demo, backup::ModelName(app->Document()), when, 0);
  CBackupsDlg backupList(app->Files(), app->Voices(), backups, &frame);
  SaveDialog(backupList, prefix + QStringLiteral("backups.png"));
  app->Document().SetModifiedFlag(false);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  QDir().mkpath(outDir);
  QStringList languages;
  for (int i = 2; i < argc; ++i) languages.append(QString::fromLocal8Bit(argv[i]));
  if (languages.isEmpty()) languages = {QStringLiteral("lang_en"), QStringLiteral("lang_cn")};
  for (const QString& language : languages) ShootLanguage(language, outDir);
  return 0;
}
