#pragma once
// CPortDlg: the "Communication Port" dialog. COM1 to COM8, each with the device it
// names; a port that cannot be opened is disabled, and the dialog says why. Below them
// the USB serial cables plugged in, followed as they come and go; the user assigns one
// to a COM number, kept by its /dev/serial/by-id name so that it works in any USB
// socket. The automatic port search switch is stored at each click; the port and the
// assignments on OK.

#include <QDialog>
#include <QString>
#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "link/port_survey.h"

class AppFiles;
class CSerial;
class QFileSystemWatcher;
class QTimer;

class CPortDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPortCount = 8;
  static constexpr int kFirstPortButton = 1014;  // button 1013 + n is port n
  // The COM number that the state text describes and that a cable is assigned to.
  static constexpr int kPortChoice = 1391;
  static constexpr int kPortState = 1392;
  static constexpr int kCableList = 1394;
  static constexpr int kCableStatus = 1395;
  static constexpr int kAssignButton = 1396;
  // Columns of the cable list: what tells cables apart first, the long by-id name last.
  enum CableColumn { kDeviceColumn, kAssignedColumn, kProductColumn, kUsbIdColumn, kDriverColumn, kSerialColumn,
                     kByIdColumn, kCableColumnCount };
  // Plugging a cable changes several device folders in a burst; one listing follows.
  static constexpr int kRelistDelayMs = 150;

  // root is the system's root directory ("/"); tests give a fake tree of /dev and /sys.
  CPortDlg(const AppFiles& files, CSerial& port, QWidget* parent = nullptr, std::filesystem::path root = "/");

 public slots:
  void OnOK();

 private:
  // The device port n names, counting an assignment made in this dialog and not stored yet.
  std::string DeviceOfPort(int port) const;
  // Tries each port: its caption shows its device; one that cannot be opened is disabled,
  // with the reason as its tool tip.
  void ProbePorts();
  void ShowPortState();
  // Reads the cables present and shows them.
  void ListCables();
  void ShowCables();
  QString AssignedPorts(const port_survey::UsbCable& cable) const;
  void WatchDeviceFolders();
  void OnDeviceFoldersChanged();
  void OnAssign();
  void OnAutoSearchClicked(bool checked);

  const AppFiles& files_;
  CSerial& port_;
  std::filesystem::path root_;
  port_survey::SystemView system_;  // the system below root_, as this user sees it
  std::array<QString, kPortCount> portNames_;  // "COM1" ... in the language of the files
  std::array<QString, kPortCount> portProblems_;  // empty for a port that can be used
  std::map<int, std::string> assignments_;  // port number -> device, stored on OK
  std::vector<port_survey::UsbCable> cables_;
  QFileSystemWatcher* watcher_;
  QTimer* relistTimer_;
};
