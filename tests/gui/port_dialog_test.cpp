// The port dialog on ports mapped to pseudo-terminals and to devices that do not exist,
// and the USB serial cables of a fake system tree.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>
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
#include "link/port_survey.h"
#include "link/serial.h"
#include "tests/gui/gui_test_support.h"
#include "tests/unit/fake_system.h"
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

// A click on a radio button's or check box's mark, where a user clicks; the control reaches
// past its text to leave room for long device names.
void ClickMark(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
}

namespace fs = std::filesystem;

// Cables as the kernel and udev show them: tty, USB path, vendor, product, driver,
// by-id name, manufacturer, product, serial number.
const test::FakeCable kCh340{"ttyUSB0", "1-1", "1a86", "7523", "ch341", "usb-1a86_USB_Serial-if00-port0",
                             "", "USB Serial", ""};
const test::FakeCable kFtdi{"ttyUSB1", "1-2", "0403", "6001", "ftdi_sio",
                            "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0", "FTDI", "FT232R USB UART", "A10K3XYZ"};
const test::FakeCable kAcm{"ttyACM0", "1-3", "2e8a", "000a", "cdc_acm", "", "Raspberry Pi", "Pico", "E6614103E7"};

std::string ByIdPath(const test::FakeCable& cable) { return "/dev/serial/by-id/" + cable.byIdName; }

// A program directory whose ports name nothing that exists, and a fake system root
// with a /dev folder, into which cables are plugged.
struct CableBench {
  test::ProgramDir home;
  AppFiles files = home.Files();
  CSerial port{files.SettingsPath()};
  test::ScriptedMessageBoxes messages;
  test::FakeSystem system;

  CableBench() {
    for (int n = 1; n <= CPortDlg::kPortCount; ++n) files.WriteSetting("ports", std::to_string(n), Missing(n));
    fs::create_directories(system.Path() / "dev");
  }
  std::string Missing(int n) const { return (home.Path() / ("no-such-tty" + std::to_string(n))).string(); }
  // What udev and the kernel take away when the cable is pulled; udev removes the by-id
  // folders with their last link.
  void Unplug(const test::FakeCable& cable) const {
    const fs::path root = system.Path();
    if (!cable.byIdName.empty()) fs::remove(root / "dev/serial/by-id" / cable.byIdName);
    if (fs::is_empty(root / "dev/serial/by-id")) fs::remove_all(root / "dev/serial");
    fs::remove(root / "dev" / cable.tty);
    fs::remove_all(root / "sys/class/tty" / cable.tty);
    fs::remove(root / "sys/bus/usb/devices" / cable.usbPath);
    fs::remove_all(root / "sys/devices/pci0000:00/0000:00:14.0/usb1" / cable.usbPath);
  }
  QString Text(const char* key) const { return ToQString(files.GetText(key)); }
  std::string Settings() const { return test::ReadAll(files.SettingsPath()); }
};

QTreeWidget* CableList(const CPortDlg& dialog) { return Control<QTreeWidget>(&dialog, CPortDlg::kCableList); }
QComboBox* PortChoice(const CPortDlg& dialog) { return Control<QComboBox>(&dialog, CPortDlg::kPortChoice); }
QString PortState(const CPortDlg& dialog) {
  return Control<QPlainTextEdit>(&dialog, CPortDlg::kPortState)->toPlainText();
}
QString CableStatus(const CPortDlg& dialog) { return Control<QLabel>(&dialog, CPortDlg::kCableStatus)->text(); }
QPushButton* AssignButton(const CPortDlg& dialog) {
  return Control<QPushButton>(&dialog, CPortDlg::kAssignButton);
}

// Every row of the cable list, its cells joined by " | ".
QStringList CableRows(const CPortDlg& dialog) {
  QStringList rows;
  const QTreeWidget* list = CableList(dialog);
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < CPortDlg::kCableColumnCount; ++column) cells << list->topLevelItem(row)->text(column);
    rows << cells.join(QStringLiteral(" | "));
  }
  return rows;
}

void SelectCable(const CPortDlg& dialog, const QString& deviceNode) {
  QTreeWidget* list = CableList(dialog);
  const auto found = list->findItems(deviceNode, Qt::MatchExactly, CPortDlg::kDeviceColumn);
  QCOMPARE(found.size(), 1);
  list->setCurrentItem(found.front());
}

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
  void cablesAreListedWithTheirComNumbers();
  void noCableIsSaid();
  void assignedCableIsShownAtOnceAndStoredOnOk_data();
  void assignedCableIsShownAtOnceAndStoredOnOk();
  void keyboardAloneAssignsACable();
  void assignmentThatCannotBeStoredIsSaid();
  void listFollowsPluggingAndUnplugging();
  void portThatCannotBeUsedSaysWhy_data();
  void portThatCannotBeUsedSaysWhy();

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
  if (clickedPort != 0) ClickMark(PortButton(dialog, clickedPort));
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
  ClickMark(AutoSearch(dialog));
  const auto autocom = [&b] { return QString::fromStdString(b.files.Setting("setup", "autocom", "", 9)); };
  QCOMPARE(autocom(), afterClick);
  // Cancel does not take the click back, nor store a port.
  ClickMark(PortButton(dialog, 4));
  QTest::mouseClick(Control<QPushButton>(&dialog, kIdCancel), Qt::LeftButton);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(autocom(), afterClick);
  QCOMPARE(b.files.SettingInt("setup", "com", 0), 1);
}

void PortDialogTest::cablesAreListedWithTheirComNumbers() {
  CableBench b;
  for (const test::FakeCable& cable : {kCh340, kFtdi, kAcm}) b.system.AddCable(cable);
  b.files.WriteSetting("ports", "2", ByIdPath(kCh340));
  // A cable named by its node counts as well, on each COM number that names it.
  b.files.WriteSetting("ports", "3", "/dev/ttyACM0");
  b.files.WriteSetting("ports", "5", "/dev/ttyACM0");

  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  const QString unassigned = b.Text("IDS_PORT_UNASSIGNED");
  QCOMPARE(CableRows(dialog),
           QStringList({"/dev/ttyACM0 | COM3, COM5 | Raspberry Pi Pico | 2e8a:000a | cdc_acm | E6614103E7 | ",
                        "/dev/ttyUSB0 | COM2 | USB Serial | 1a86:7523 | ch341 |  | usb-1a86_USB_Serial-if00-port0",
                        "/dev/ttyUSB1 | " + unassigned + " | FTDI FT232R USB UART | 0403:6001 | ftdi_sio | A10K3XYZ | "
                        "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0"}));
  QCOMPARE(CableList(dialog)->topLevelItem(1)->toolTip(CPortDlg::kByIdColumn), QString::fromStdString(ByIdPath(kCh340)));
  QCOMPARE(CableList(dialog)->headerItem()->text(CPortDlg::kDriverColumn), b.Text("IDS_CABLE_DRIVER"));
  // Named for screen readers by its label; a cable is selected, ready to be assigned.
  QCOMPARE(CableList(dialog)->accessibleName(), ToQString(*b.files.ResourceText(1393)));
  QVERIFY(CableList(dialog)->currentItem() != nullptr);
  QVERIFY(AssignButton(dialog)->isEnabled());
  QCOMPARE(CableStatus(dialog), b.Text("IDS_CABLE_HINT"));
}

void PortDialogTest::noCableIsSaid() {
  CableBench b;
  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  QCOMPARE(CableList(dialog)->topLevelItemCount(), 0);
  QCOMPARE(CableStatus(dialog), b.Text("IDS_CABLE_NONE"));
  QCOMPARE(CableList(dialog)->accessibleDescription(), b.Text("IDS_CABLE_NONE"));
  QVERIFY(!AssignButton(dialog)->isEnabled());
}

void PortDialogTest::assignedCableIsShownAtOnceAndStoredOnOk_data() {
  QTest::addColumn<QString>("cable");  // the device node of the cable assigned
  QTest::addColumn<int>("port");
  QTest::addColumn<bool>("pressOk");
  QTest::addColumn<QString>("assigned");  // what the COM number names now
  QTest::newRow("kept by its by-id name") << "/dev/ttyUSB0" << 3 << true << QString::fromStdString(ByIdPath(kCh340));
  QTest::newRow("by its node without a by-id name") << "/dev/ttyACM0" << 8 << true << "/dev/ttyACM0";
  QTest::newRow("Cancel keeps no assignment") << "/dev/ttyUSB0" << 3 << false << QString::fromStdString(ByIdPath(kCh340));
}

void PortDialogTest::assignedCableIsShownAtOnceAndStoredOnOk() {
  QFETCH(QString, cable);
  QFETCH(int, port);
  QFETCH(bool, pressOk);
  QFETCH(QString, assigned);
  CableBench b;
  b.system.AddCable(kCh340);
  b.system.AddCable(kAcm);
  b.files.WriteSetting("setup", "com", "1");
  const std::string before = b.Settings();

  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  dialog.show();
  SelectCable(dialog, cable);
  PortChoice(dialog)->setCurrentIndex(port - 1);
  QTest::keyClick(AssignButton(dialog), Qt::Key_Space);

  // Shown at once: on the COM button, in the port's state and in the cable's row.
  const QString portName = QStringLiteral("COM%1").arg(port);
  QCOMPARE(PortButton(dialog, port)->text(), portName + "   " + assigned);
  QVERIFY2(PortState(dialog).startsWith(portName + "   " + assigned + "\n"), qPrintable(PortState(dialog)));
  QCOMPARE(CableList(dialog)->currentItem()->text(CPortDlg::kAssignedColumn), portName);
  QCOMPARE(b.Settings(), before);

  QTest::keyClick(Control<QPushButton>(&dialog, pressOk ? kIdOk : kIdCancel), Qt::Key_Space);
  QVERIFY(!dialog.isVisible());
  const std::string stored = b.files.Setting("ports", std::to_string(port), "", 4095);
  QCOMPARE(QString::fromStdString(stored), pressOk ? assigned : QString::fromStdString(b.Missing(port)));
  // The port in use is chosen by its own button, not by an assignment.
  QCOMPARE(b.files.SettingInt("setup", "com", 0), 1);
  QVERIFY(b.messages.Keys().empty());
}

void PortDialogTest::keyboardAloneAssignsACable() {
  CableBench b;
  b.system.AddCable(kCh340);
  b.system.AddCable(kFtdi);
  b.files.WriteSetting("setup", "com", "1");
  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  const auto typeIntoFocus = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };

  PortChoice(dialog)->setFocus();
  typeIntoFocus(Qt::Key_Down);  // COM2
  // The state of COM2 on the way, then the list with its first cable selected.
  typeIntoFocus(Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), FindControl(&dialog, CPortDlg::kPortState));
  typeIntoFocus(Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), CableList(dialog));
  typeIntoFocus(Qt::Key_Down);
  typeIntoFocus(Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), AssignButton(dialog));
  typeIntoFocus(Qt::Key_Space);
  QCOMPARE(PortButton(dialog, 2)->text(), "COM2   " + QString::fromStdString(ByIdPath(kFtdi)));
  typeIntoFocus(Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), FindControl(&dialog, kIdOk));
  typeIntoFocus(Qt::Key_Space);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(b.files.Setting("ports", "2", "", 4095), ByIdPath(kFtdi));
}

void PortDialogTest::assignmentThatCannotBeStoredIsSaid() {
  CableBench b;
  b.system.AddCable(kCh340);
  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  dialog.show();
  PortChoice(dialog)->setCurrentIndex(2);
  QTest::keyClick(AssignButton(dialog), Qt::Key_Space);
  fs::permissions(b.files.SettingsPath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string before = b.Settings();

  QTest::keyClick(Control<QPushButton>(&dialog, kIdOk), Qt::Key_Space);
  QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_ERROR_READONLY"});
  QVERIFY(b.messages.Shown()[0].text.find(b.files.SettingsPath().string()) != std::string::npos);
  QCOMPARE(b.Settings(), before);
}

void PortDialogTest::listFollowsPluggingAndUnplugging() {
  CableBench b;
  b.files.WriteSetting("ports", "1", ByIdPath(kCh340));
  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  dialog.show();
  QCOMPARE(CableList(dialog)->topLevelItemCount(), 0);
  const QString noCable = b.Text("IDS_CABLE_NONE");
  // The ports are tried again as cables come and go: why COM1 cannot be used follows.
  port_survey::SystemView system = port_survey::SystemView::OfThisProcess();
  system.root = b.system.Path();
  const auto whyNot = [&] { return ToQString(port_survey::PortProblemText(b.files, system, ByIdPath(kCh340), ENOENT)); };
  const QString whyWithoutCables = whyNot();
  QCOMPARE(PortButton(dialog, 1)->toolTip(), whyWithoutCables);

  // Plugged twice: the second time the by-id folders are made afresh and must be watched again.
  for (int round = 0; round < 2; ++round) {
    b.system.AddCable(kCh340);
    QTRY_COMPARE(CableList(dialog)->topLevelItemCount(), 1);
    QTRY_COMPARE(CableList(dialog)->topLevelItem(0)->text(CPortDlg::kByIdColumn),
                 QString::fromStdString(kCh340.byIdName));
    QCOMPARE(CableList(dialog)->topLevelItem(0)->text(CPortDlg::kAssignedColumn), QStringLiteral("COM1"));
    QCOMPARE(PortButton(dialog, 1)->toolTip(), whyNot());
    QVERIFY(PortButton(dialog, 1)->toolTip() != whyWithoutCables);
    QVERIFY(CableStatus(dialog) != noCable);
    b.system.AddCable(kFtdi);
    QTRY_COMPARE(CableList(dialog)->topLevelItemCount(), 2);

    b.Unplug(kFtdi);
    QTRY_COMPARE(CableList(dialog)->topLevelItemCount(), 1);
    b.Unplug(kCh340);
    QTRY_COMPARE(CableList(dialog)->topLevelItemCount(), 0);
    QCOMPARE(CableStatus(dialog), noCable);
    QVERIFY(!AssignButton(dialog)->isEnabled());
    QCOMPARE(PortButton(dialog, 1)->toolTip(), whyWithoutCables);
  }
}

void PortDialogTest::portThatCannotBeUsedSaysWhy_data() {
  QTest::addColumn<QString>("device");  // what port 2 names: a file name in the program directory, or a terminal
  QTest::addColumn<int>("openError");   // 0: the port can be used
  QTest::addColumn<int>("wall");
  QTest::newRow("no such device") << "no-such-tty" << ENOENT << int(port_survey::PortWall::NoCable);
  QTest::newRow("a regular file") << "plain-file" << int(CSerial::kNotADevice) << int(port_survey::PortWall::NotSerial);
  QTest::newRow("held by another program") << "held terminal" << EBUSY << int(port_survey::PortWall::HeldByUnknown);
  QTest::newRow("a terminal that can be used") << "terminal" << 0 << 0;
}

void PortDialogTest::portThatCannotBeUsedSaysWhy() {
  QFETCH(QString, device);
  QFETCH(int, openError);
  QFETCH(int, wall);
  CableBench b;
  Terminal terminal;
  CSerial otherProgram;
  std::string path = (b.home.Path() / device.toStdString()).string();
  if (device == "plain-file") path = b.home.Write("plain-file", "not a device").string();
  if (device.endsWith("terminal")) path = terminal.Path();
  if (device == "held terminal") QVERIFY(otherProgram.OpenDevice(path));
  b.files.WriteSetting("ports", "2", path);

  CPortDlg dialog(b.files, b.port, nullptr, b.system.Path());
  dialog.show();
  QRadioButton* button = PortButton(dialog, 2);
  QCOMPARE(button->isEnabled(), openError == 0);
  QString why;
  if (openError != 0) {
    port_survey::SystemView system = port_survey::SystemView::OfThisProcess();
    system.root = b.system.Path();
    QCOMPARE(int(port_survey::DiagnosePort(system, path, openError).wall), wall);
    why = ToQString(port_survey::PortProblemText(b.files, system, path, openError));
    QVERIFY(!why.isEmpty());
  }
  QCOMPARE(button->toolTip(), why);
  QCOMPARE(button->accessibleDescription(), why);

  // Shown without a mouse: moving the COM number to the port with the keyboard.
  PortChoice(dialog)->setCurrentIndex(0);
  QTest::keyClick(PortChoice(dialog), Qt::Key_Down);
  QCOMPARE(PortChoice(dialog)->currentIndex(), 1);
  QCOMPARE(PortState(dialog), "COM2   " + QString::fromStdString(path) + "\n" +
                                  (openError == 0 ? b.Text("IDS_PORT_USABLE") : why));
}

QTEST_MAIN(PortDialogTest)
#include "port_dialog_test.moc"
