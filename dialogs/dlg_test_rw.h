#pragma once
// CDlgTestRW: "Test 2", the calibration table of test mode. Its edits show the 32-byte
// calibration area of the document's image as plain numbers; Read fetches the area from
// the radio, Write stores the edits and sends the area. The window keeps no values of
// its own: the exchanges are those of link/test_functions.h.

#include <QDialog>

#include "dialogs/wr_dlg.h"

enum class TestLinkOutcome;

class CDlgTestRW : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kReadId = 1084;
  static constexpr int kWriteId = 1085;
  static constexpr int kExitId = 1082;

  CDlgTestRW(const TransferContext& context, QWidget* parent = nullptr);
  ~CDlgTestRW() override;

  void done(int result) override;

 public slots:
  void OnRead();
  void OnWrite();

 private:
  // Each edit shows its image byte as an unsigned decimal number.
  void FillEdits();
  // An edit holding an unsigned number stores its low eight bits; other text keeps the
  // byte. The edits are filled again afterwards.
  void TakeEdits();
  void Report(TestLinkOutcome outcome);
  // A window that used the port leaves it closed.
  void ReleasePort();

  const TransferContext context_;
};
