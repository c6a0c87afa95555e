#include "dialogs/port_dlg.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "dialogs/wr_dlg.h"
#include "link/serial.h"
#include "settings/app_files.h"
#include "ui/dialog_template.h"
#include "ui/qt_text.h"

namespace {

constexpr int kAutoSearchId = 1218;
constexpr int kDefaultPort = 1;

QRadioButton* PortButton(const QWidget* dialog, int port) {
  return Control<QRadioButton>(dialog, CPortDlg::kFirstPortButton - 1 + port);
}

}  // namespace

CPortDlg::CPortDlg(const AppFiles& files, CSerial& port, QWidget* parent) : QDialog(parent), files_(files), port_(port) {
  BuildFromTemplate(this, dialog_id::kPort);
  ApplyDialogTexts(this, dialog_id::kPort, files_);
  connect(Control<QPushButton>(this, kIdOk), &QPushButton::clicked, this, &CPortDlg::OnOK);
  connect(Control<QPushButton>(this, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
  connect(Control<QCheckBox>(this, kAutoSearchId), &QCheckBox::clicked, this, &CPortDlg::OnAutoSearchClicked);
  Probe();
}

void CPortDlg::Probe() {
  const int current = files_.SettingInt("setup", "com", kDefaultPort);
  // The port cannot be probed while it is open here, nor while a cancelled transfer's
  // worker may still use it.
  CWRDlg::FinishPendingTransfer();
  port_.Close();
  for (int n = 1; n <= kPortCount; ++n) {
    QRadioButton* button = PortButton(this, n);
    const std::string device = DevicePathForPort(files_.SettingsPath(), n);
    if (!device.empty()) button->setText(button->text() + QStringLiteral("   ") + ToQString(device));
    // A port that cannot be opened (absent, or held by another program) is disabled; the
    // current port stays selected even then.
    if (n == current) button->setChecked(true);
    if (port_.Open(n)) {
      port_.Close();
    } else {
      button->setEnabled(false);
    }
  }
  Control<QCheckBox>(this, kAutoSearchId)->setChecked(files_.SettingInt("setup", "autocom", 1) != 0);
}

void CPortDlg::OnAutoSearchClicked(bool checked) { files_.WriteSetting("setup", "autocom", checked ? "1" : "0"); }

void CPortDlg::OnOK() {
  for (int n = 1; n <= kPortCount; ++n) {
    if (!PortButton(this, n)->isChecked()) continue;
    if (n != files_.SettingInt("setup", "com", kDefaultPort)) {
      // The open port is the old one; the next link operation opens the new.
      if (port_.IsOpen()) port_.Close();
      files_.WriteSetting("setup", "com", std::to_string(n));
    }
    break;
  }
  accept();
}
