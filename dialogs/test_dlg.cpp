#include "dialogs/test_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "dialogs/dlg_test_rw.h"
#include "dialogs/off_thread.h"
#include "dialogs/test_function.h"
#include "link/serial.h"
#include "link/test_functions.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

CTestDlg::CTestDlg(const TransferContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  BuildFromTemplate(this, dialog_id::kTestMode);
  ApplyDialogTexts(this, dialog_id::kTestMode, context_.files);
  accessCode_ = Control<QLineEdit>(this, kAccessCodeId);
  manualAdjust_ = Control<QCheckBox>(this, kManualAdjustId);
  test1_ = Control<QPushButton>(this, kTest1Id);
  test2_ = Control<QPushButton>(this, kTest2Id);
  auto* exit = Control<QPushButton>(this, kExitId);
  accessCode_->setEchoMode(QLineEdit::Password);
  // Return in the code field presses nothing.
  for (QPushButton* button : {test1_, test2_, exit}) button->setAutoDefault(false);

  // The flag bit is set when manual adjustment is off.
  manualAdjust_->setChecked((context_.doc.At(image::kKeyAndVox) & image::key_and_vox::kTestMode) == 0);

  connect(accessCode_, &QLineEdit::textChanged, this, &CTestDlg::OnAccessCodeChanged);
  connect(manualAdjust_, &QCheckBox::clicked, this, &CTestDlg::OnManualAdjustClicked);
  connect(test1_, &QPushButton::clicked, this, &CTestDlg::OnTest1);
  connect(test2_, &QPushButton::clicked, this, &CTestDlg::OnTest2);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

void CTestDlg::OnAccessCodeChanged(const QString& text) {
  // Once unlocked the window stays unlocked, whatever is typed after.
  if (!CheckAccessCode(ToStdString(text))) return;
  for (QWidget* control : std::initializer_list<QWidget*>{test1_, test2_, manualAdjust_}) control->setEnabled(true);
}

void CTestDlg::OnManualAdjustClicked(bool checked) {
  std::uint8_t& flags = context_.doc.At(image::kKeyAndVox);
  const std::uint8_t before = flags;
  flags = image::WithBits(flags, image::key_and_vox::kTestMode, !checked);
  if (flags != before) context_.doc.SetModifiedFlag();
}

void CTestDlg::OnTest1() {
  // A cancelled transfer may still be using the port.
  CWRDlg::FinishPendingTransfer();
  const TestLinkOutcome outcome =
      RunOffWindowThread([this] { return TestConnect(context_.port, context_.doc); });
  if (const std::optional<PromptRequest> message = TestLinkMessage(outcome, TestDialog::TestFunction, context_.files, context_.port)) {
    // The radio may be left in programming mode: closing the port ends that session.
    context_.port.Close();
    ShowMessageBox(this, context_.files, *message);
  } else {
    CTestFunction alignment(context_, this);
    alignment.exec();
  }
  accept();
}

void CTestDlg::OnTest2() {
  CDlgTestRW calibration(context_, this);
  calibration.exec();
  accept();
}
