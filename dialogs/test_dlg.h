#pragma once
// CTestDlg: the "Test Mode" window, the technician's door to test mode. It stays locked
// until the access code is typed; then "Manual Adjust" switches the radio's manual
// adjustment in the configuration (sent with the next write), "Test 1" puts the radio
// in its test state and opens the alignment window, "Test 2" the calibration table.
// The window closes after either test.

#include <QDialog>

#include "dialogs/wr_dlg.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class CTestDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAccessCodeId = 1106;
  static constexpr int kManualAdjustId = 1052;
  static constexpr int kTest1Id = 1081;
  static constexpr int kTest2Id = 1080;
  static constexpr int kExitId = 1082;

  CTestDlg(const TransferContext& context, QWidget* parent = nullptr);

 private:
  void OnAccessCodeChanged(const QString& text);
  void OnManualAdjustClicked(bool checked);
  void OnTest1();
  void OnTest2();

  const TransferContext context_;
  QLineEdit* accessCode_;
  QCheckBox* manualAdjust_;
  QPushButton* test1_;
  QPushButton* test2_;
};
