#pragma once
// CDlgTestRW: "Test 2", the calibration table of test mode. Its edits show the 32-byte
// calibration area of the document's image as plain numbers; Read fetches the area from
// the radio, Write stores the edits and sends the area. The window keeps no values of
// its own: the exchanges are those of link/test_functions.h.

#include <QDialog>
#include <optional>

#include "dialogs/wr_dlg.h"
#include "link/test_functions.h"

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
  // The calibration area the edits describe: the image's bytes, with each edit's value
  // from 0 to 255 in place of its byte (an empty edit keeps it). Any other text is refused
  // with one message naming the items, the focus on the first: nullopt.
  std::optional<CalibrationArea> AreaFromEdits();
  // Puts `area` into the image (a change marks the document modified) and the edits.
  void StoreArea(const CalibrationArea& area);
  // Blank values were never read from a radio: writing them asks first.
  bool ConfirmAreaToWrite(const CalibrationArea& area);
  void Report(TestLinkOutcome outcome);
  // A window that used the port leaves it closed.
  void ReleasePort();

  const TransferContext context_;
};
