#pragma once
// CPortDlg: the "Communication Port" dialog. COM1 to COM8, each with the device it
// names; ports that cannot be opened are disabled. The automatic port search switch
// is stored at each click, the port on OK.

#include <QDialog>

class AppFiles;
class CSerial;

class CPortDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPortCount = 8;
  static constexpr int kFirstPortButton = 1014;  // button 1013 + n is port n

  CPortDlg(const AppFiles& files, CSerial& port, QWidget* parent = nullptr);

 public slots:
  void OnOK();

 private:
  void Probe();
  void OnAutoSearchClicked(bool checked);

  const AppFiles& files_;
  CSerial& port_;
};
