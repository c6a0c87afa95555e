#pragma once
// CAboutDlg: the About box, the program's picture and three lines about it.

#include <QDialog>

class AppFiles;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  CAboutDlg(const AppFiles& files, QWidget* parent = nullptr);
};
