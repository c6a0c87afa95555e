#include "dialogs/dlg_test_rw.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <algorithm>

#include "dialogs/off_thread.h"
#include "link/serial.h"
#include "radio/config_dump.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
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

std::optional<CalibrationArea> CDlgTestRW::AreaFromEdits() {
  CalibrationArea area;
  std::copy_n(context_.doc.Image().begin() + image::kCalibration, area.size(), area.begin());
  const LanguageTexts texts = context_.files.Texts();
  QStringList refused;
  QLineEdit* firstRefused = nullptr;
  for (const CalibrationField& field : CalibrationFields()) {
    auto* edit = Control<QLineEdit>(this, field.editId);
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) continue;
    if (const std::optional<std::uint8_t> byte = CalibrationByteFromText(ToStdString(text))) {
      area[field.offset - image::kCalibration] = *byte;
      continue;
    }
    refused.append(ToQString(config_dump::CalibrationItemName(field, texts)));
    if (firstRefused == nullptr) firstRefused = edit;
  }
  if (firstRefused == nullptr) return area;
  PromptRequest message{"IDS_CALIBRATION_RANGE", "\n" + ToStdString(refused.join(QStringLiteral(", "))),
                        "IDS_PROMPT_WRITE", PromptIcon::Exclamation, PromptButtons::Ok};
  ShowMessageBox(this, context_.files, message);
  firstRefused->setFocus();
  firstRefused->selectAll();
  return std::nullopt;
}

void CDlgTestRW::StoreArea(const CalibrationArea& area) {
  bool changed = false;
  for (std::size_t k = 0; k < area.size(); ++k) {
    std::uint8_t& byte = context_.doc.At(image::kCalibration + k);
    changed = changed || byte != area[k];
    byte = area[k];
  }
  if (changed) context_.doc.SetModifiedFlag();
  FillEdits();
}

bool CDlgTestRW::ConfirmAreaToWrite(const CalibrationArea& area) {
  if (!IsBlankCalibrationArea(area)) return true;
  // Enter must not wipe a radio's alignment: Cancel is the default answer.
  const PromptRequest question{"IDS_CALIBRATION_BLANK", "", "IDS_PROMPT_WRITE", PromptIcon::Exclamation,
                               PromptButtons::OkCancel, true};
  return ShowMessageBox(this, context_.files, question) == PromptAnswer::Ok;
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
  // Every value is checked, and a blank table confirmed, before anything is connected.
  const std::optional<CalibrationArea> area = AreaFromEdits();
  if (!area || !ConfirmAreaToWrite(*area)) return;
  StoreArea(*area);
  CWRDlg::FinishPendingTransfer();
  Report(RunOffWindowThread([this] { return WriteCalibration(context_.port, context_.doc); }));
}

void CDlgTestRW::Report(TestLinkOutcome outcome) {
  if (const std::optional<PromptRequest> message = TestLinkMessage(outcome, TestDialog::Calibration, context_.files, context_.port))
    ShowMessageBox(this, context_.files, *message);
}

void CDlgTestRW::ReleasePort() {
  if (context_.port.IsOpen()) context_.port.Close();
}
