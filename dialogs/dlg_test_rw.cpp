#include "dialogs/dlg_test_rw.h"

#include <QLineEdit>
#include <QPushButton>

#include "dialogs/off_thread.h"
#include "link/serial.h"
#include "link/test_functions.h"
#include "radio/document.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

CDlgTestRW::CDlgTestRW(const TransferContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  BuildFromTemplate(this, dialog_id::kCalibration);
  setFixedSize(size());
  ApplyDialogTexts(this, dialog_id::kCalibration, context_.files);
  const std::pair<int, void (CDlgTestRW::*)()> buttons[] = {
      {kReadId, &CDlgTestRW::OnRead}, {kWriteId, &CDlgTestRW::OnWrite}, {kExitId, &CDlgTestRW::reject}};
  for (const auto& [id, handler] : buttons) {
    auto* button = Control<QPushButton>(this, id);
    // Enter in an edit presses nothing: a read would overwrite what was being typed.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, handler);
  }
  FillEdits();
}

CDlgTestRW::~CDlgTestRW() { ReleasePort(); }

void CDlgTestRW::done(int result) {
  ReleasePort();
  QDialog::done(result);
}

void CDlgTestRW::FillEdits() {
  for (const CalibrationField& field : CalibrationFields())
    Control<QLineEdit>(this, field.editId)->setText(QString::number(context_.doc.At(field.offset)));
}

void CDlgTestRW::TakeEdits() {
  bool changed = false;
  for (const CalibrationField& field : CalibrationFields()) {
    const std::optional<std::uint8_t> byte =
        CalibrationByteFromText(ToStdString(Control<QLineEdit>(this, field.editId)->text()));
    if (!byte || *byte == context_.doc.At(field.offset)) continue;
    context_.doc.At(field.offset) = *byte;
    changed = true;
  }
  if (changed) context_.doc.SetModifiedFlag();
  FillEdits();
}

void CDlgTestRW::OnRead() {
  CWRDlg::FinishPendingTransfer();
  const TestLinkOutcome outcome =
      RunOffWindowThread([this] { return ReadCalibration(context_.port, context_.doc); });
  if (outcome == TestLinkOutcome::ReadDone) {
    FillEdits();
    if (context_.imageReplaced) context_.imageReplaced();
  }
  Report(outcome);
}

void CDlgTestRW::OnWrite() {
  TakeEdits();
  CWRDlg::FinishPendingTransfer();
  Report(RunOffWindowThread([this] { return WriteCalibration(context_.port, context_.doc); }));
}

void CDlgTestRW::Report(TestLinkOutcome outcome) {
  if (const std::optional<PromptRequest> message = TestLinkMessage(outcome, TestDialog::Calibration))
    ShowMessageBox(this, context_.files, *message);
}

void CDlgTestRW::ReleasePort() {
  if (context_.port.IsOpen()) context_.port.Close();
}
