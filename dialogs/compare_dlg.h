#pragma once
// CCompareDlg: the settings in which the configuration being edited differs from another
// data file, one row each: the setting's name, this configuration's text, the other's.

#include <QDialog>
#include <string>
#include <vector>

#include "radio/config_dump.h"

class AppFiles;
class QTableWidget;

class CCompareDlg : public QDialog {
  Q_OBJECT

 public:
  CCompareDlg(const AppFiles& files, const std::vector<config_dump::Difference>& differences,
              const std::string& otherName, QWidget* parent = nullptr);
  QTableWidget& Table() { return *table_; }

 private:
  QTableWidget* table_;
};
