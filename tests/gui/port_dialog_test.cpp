// The port dialog on ports mapped to pseudo-terminals and to devices that do not exist.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/port_dlg.h"
#include "link/serial.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_template.h"
#include "ui/qt_text.h"

namespace {

// What each of the ports 1 to 8 is mapped to.
enum class Device { Terminal, HeldTerminal, Missing };
constexpr std::array<Device, CPortDlg::kPortCount> kDevices = {
    Device::Terminal, Device::HeldTerminal, Device::Missing, Device::Terminal,
    Device::Terminal, Device::Terminal,     Device::Missing, Device::Terminal,
};

// A pseudo-terminal whose device stays openable while the object lives.
class Terminal {
 public:
  Terminal() {
    char name[256];
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    path_ = name;
  }
  ~Terminal() {
    ::close(slave_);
    ::close(master_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  const std::string& Path() const { return path_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

struct Bench {
  test::ProgramDir home;
  AppFiles files = home.Files();
  CSerial port{files.SettingsPath()};
  test::ScriptedMessageBoxes messages;
  std::vector<std::unique_ptr<Terminal>> terminals;
  std::array<std::string, CPortDlg::kPortCount> devices;
  // Another program's hold on the port mapped as HeldTerminal.
  CSerial otherProgram{files.SettingsPath()};

  Bench() {
    for (std::size_t k = 0; k < kDevices.size(); ++k) {
      if (kDevices[k] == Device::Missing) {
        devices[k] = (home.Path() / ("no-such-tty" + std::to_string(k + 1))).string();
      } else {
        terminals.push_back(std::make_unique<Terminal>());
        devices[k] = terminals.back()->Path();
      }
      files.WriteSetting("ports", std::to_string(k + 1), devices[k]);
      if (kDevices[k] == Device::HeldTerminal && !otherProgram.Open(int(k) + 1))
        throw std::runtime_error("cannot hold the port");
    }
  }
  std::string Settings() const { return test::ReadAll(files.SettingsPath()); }
  // Every write replaces the settings file by a new one, so an equal value written
  // again still shows as another file.
  ino_t SettingsFileId() const {
    struct stat status {};
    return ::stat(files.SettingsPath().c_str(), &status) == 0 ? status.st_ino : 0;
  }
};

QRadioButton* PortButton(const CPortDlg& dialog, int port) {
  return Control<QRadioButton>(&dialog, CPortDlg::kFirstPortButton - 1 + port);
}
QCheckBox* AutoSearch(const CPortDlg& dialog) { return Control<QCheckBox>(&dialog, 1218); }

}  // namespace

class PortDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { bench_ = std::make_unique<Bench>(); }
  void cleanup() { bench_.reset(); }

  void probeShowsEachDeviceAndDisablesPortsThatCannotOpen();
  void okStoresOnlyAChangedPort_data();
  void okStoresOnlyAChangedPort();
  void autoSearchIsStoredAtEachClick_data();
  void autoSearchIsStoredAtEachClick();

 private:
  std::unique_ptr<Bench> bench_;
};

void PortDialogTest::probeShowsEachDeviceAndDisablesPortsThatCannotOpen() {
  Bench& b = *bench_;
  // The current port is the one another program holds; the application's port is open.
  b.files.WriteSetting("setup", "com", "2");
  b.files.WriteSetting("setup", "autocom", "1");
  QVERIFY(b.port.Open(1));

  CPortDlg dialog(b.files, b.port);
  QVERIFY(!b.port.IsOpen());
  QVERIFY(b.otherProgram.IsOpen());
  for (int n = 1; n <= CPortDlg::kPortCount; ++n) {
    const Device device = kDevices[std::size_t(n - 1)];
    QRadioButton* button = PortButton(dialog, n);
    const QString expectedText = ToQString(*b.files.ResourceText(CPortDlg::kFirstPortButton - 1 + n)) +
                                 "   " + ToQString(b.devices[std::size_t(n - 1)]);
    QCOMPARE(button->text(), expectedText);
    QCOMPARE(button->isEnabled(), device == Device::Terminal);
    // The current port stays selected although it cannot be opened now.
    QCOMPARE(button->isChecked(), n == 2);
  }
  QVERIFY(AutoSearch(dialog)->isChecked());
  QVERIFY(b.messages.Keys().empty());
}

void PortDialogTest::okStoresOnlyAChangedPort_data() {
  QTest::addColumn<QString>("storedPort");
  QTest::addColumn<int>("clickedPort");  // 0: no click
  QTest::addColumn<bool>("pressOk");
  QTest::addColumn<QString>("expectedPort");  // empty: nothing is written
  QTest::newRow("port 12 from a search, no choice") << "12" << 0 << true << "";
  QTest::newRow("the stored port chosen again") << "4" << 4 << true << "";
  QTest::newRow("another port") << "4" << 6 << true << "6";
  QTest::newRow("another port, then Cancel") << "4" << 6 << false << "";
}

void PortDialogTest::okStoresOnlyAChangedPort() {
  QFETCH(QString, storedPort);
  QFETCH(int, clickedPort);
  QFETCH(bool, pressOk);
  QFETCH(QString, expectedPort);
  Bench& b = *bench_;
  b.files.WriteSetting("setup", "com", storedPort.toStdString());
  const std::string before = b.Settings();
  const ino_t fileBefore = b.SettingsFileId();

  CPortDlg dialog(b.files, b.port);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  for (int n = 1; n <= CPortDlg::kPortCount; ++n)
    QCOMPARE(PortButton(dialog, n)->isChecked(), QString::number(n) == storedPort);
  if (clickedPort != 0) QTest::mouseClick(PortButton(dialog, clickedPort), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>(&dialog, pressOk ? kIdOk : kIdCancel), Qt::LeftButton);

  QCOMPARE(finished.size(), 1);
  QCOMPARE(finished.at(0).at(0).toInt(), int(pressOk ? QDialog::Accepted : QDialog::Rejected));
  QVERIFY(!b.port.IsOpen());
  if (expectedPort.isEmpty()) {
    QCOMPARE(b.Settings(), before);
    QCOMPARE(b.SettingsFileId(), fileBefore);
  } else {
    QCOMPARE(QString::fromStdString(b.files.Setting("setup", "com", "", 9)), expectedPort);
  }
}

void PortDialogTest::autoSearchIsStoredAtEachClick_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("afterClick");
  QTest::newRow("switched on") << "0" << "1";
  QTest::newRow("switched off") << "1" << "0";
}

void PortDialogTest::autoSearchIsStoredAtEachClick() {
  QFETCH(QString, stored);
  QFETCH(QString, afterClick);
  Bench& b = *bench_;
  b.files.WriteSetting("setup", "autocom", stored.toStdString());
  b.files.WriteSetting("setup", "com", "1");

  CPortDlg dialog(b.files, b.port);
  dialog.show();
  QCOMPARE(AutoSearch(dialog)->isChecked(), stored == "1");
  QTest::mouseClick(AutoSearch(dialog), Qt::LeftButton);
  const auto autocom = [&b] { return QString::fromStdString(b.files.Setting("setup", "autocom", "", 9)); };
  QCOMPARE(autocom(), afterClick);
  // Cancel does not take the click back, nor store a port.
  QTest::mouseClick(PortButton(dialog, 4), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>(&dialog, kIdCancel), Qt::LeftButton);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(autocom(), afterClick);
  QCOMPARE(b.files.SettingInt("setup", "com", 0), 1);
}

QTEST_MAIN(PortDialogTest)
#include "port_dialog_test.moc"
