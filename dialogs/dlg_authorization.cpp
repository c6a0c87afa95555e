#include "dialogs/dlg_authorization.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "dialogs/off_thread.h"
#include "link/serial.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace {

// Typing and pasting give at most six digits. A loaded password file may put any text
// into the current password's edit; such a text can still be corrected by hand (the
// check only guards edits that start from an acceptable text).
QValidator* TypedDigits(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), parent);
}

}  // namespace

CDlgAuthorization::CDlgAuthorization(const TransferContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  BuildFromTemplate(this, dialog_id::kAuthorization);
  // The controls keep the template's captions; only the icon and the title follow the language.
  setWindowIcon(ProgramIcon());
  if (const auto title = context_.files.Texts().ResourceText(dialog_id::kAuthorization))
    setWindowTitle(ToQString(*title));

  for (int id : {kPasswordEdit, kNewPasswordEdit, kAgainEdit}) {
    Edit(id)->setValidator(TypedDigits(Edit(id)));
    Edit(id)->installEventFilter(this);
  }
  // Each group has its own Program button: none is the dialog's default (see keyPressEvent).
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
  connect(Control<QPushButton>(this, kLoadButton), &QPushButton::clicked, this, &CDlgAuthorization::OnLoadPassword);
  connect(Control<QCheckBox>(this, kLowPowerBox), &QCheckBox::clicked, this, &CDlgAuthorization::OnLowPowerClicked);
  connect(Control<QPushButton>(this, kProgramButton), &QPushButton::clicked, this, &CDlgAuthorization::OnProgram);
  connect(Control<QPushButton>(this, kSaveButton), &QPushButton::clicked, this, &CDlgAuthorization::OnSavePassword);
  connect(Control<QPushButton>(this, kChangeButton), &QPushButton::clicked, this, &CDlgAuthorization::OnChangePassword);
  connect(Control<QPushButton>(this, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);

  ShowLowPower();
  ViewsShowImage();
  Edit(kPasswordEdit)->setFocus(Qt::OtherFocusReason);
}

QLineEdit* CDlgAuthorization::Edit(int id) const { return Control<QLineEdit>(this, id); }

std::string CDlgAuthorization::Entry(int id) const { return ToStdString(Edit(id)->text()); }

void CDlgAuthorization::ShowLowPower() {
  Control<QCheckBox>(this, kLowPowerBox)->setChecked(!context_.doc.IsHighPowerPermitted());
}

void CDlgAuthorization::ViewsShowImage() { viewsShowHighPowerPermitted_ = context_.doc.IsHighPowerPermitted(); }

bool CDlgAuthorization::eventFilter(QObject* watched, QEvent* event) {
  // Enter in a password edit programs with that edit's own group, never the other one.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const int button = ControlId(watched) == kPasswordEdit ? kProgramButton : kChangeButton;
      Control<QPushButton>(this, button)->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CDlgAuthorization::keyPressEvent(QKeyEvent* event) {
  // Enter presses the focused button and nothing else: no button is a default that Enter
  // on the check box would press.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CDlgAuthorization::OnLowPowerClicked(bool checked) {
  // The image changes at once; the radio gets it with the next Program.
  context_.doc.SetHighPowerPermitted(!checked);
}

template <class Exchange>
PasswordOutcome CDlgAuthorization::RunExchange(Exchange&& exchange) {
  // A cancelled transfer's worker may still hold the port.
  CWRDlg::FinishPendingTransfer();
  exchangeRunning_ = true;
  const PasswordOutcome outcome = RunOffWindowThread([&] { return exchange(); });
  exchangeRunning_ = false;
  return outcome;
}

void CDlgAuthorization::OnProgram() {
  const std::string entered = Entry(kPasswordEdit);
  const PasswordOutcome outcome =
      RunExchange([&] { return ProgramWithPassword(context_.port, context_.doc, entered); });
  ShowOutcome(outcome);
  if (outcome == PasswordOutcome::Done) {
    if (context_.imageReplaced) context_.imageReplaced();
    ViewsShowImage();
  }
}

void CDlgAuthorization::OnChangePassword() {
  const std::string oldEntered = Entry(kPasswordEdit);
  const std::string newEntered = Entry(kNewPasswordEdit);
  const std::string again = Entry(kAgainEdit);
  const PasswordOutcome outcome =
      RunExchange([&] { return ChangePassword(context_.port, context_.doc, oldEntered, newEntered, again); });
  // The radio's power permit byte has replaced the document's.
  ShowLowPower();
  ShowOutcome(outcome);
}

void CDlgAuthorization::OnLoadPassword() {
  const auto path = AskFileName(this, FileDialogCall{false, {}, kPasswordFileFilter});
  if (!path) return;
  FileError error;
  if (const std::optional<std::string> password = LoadPasswordFile(*path, error))
    Edit(kPasswordEdit)->setText(ToQString(*password));
  else
    ShowFileError(this, context_.files, error);
}

void CDlgAuthorization::OnSavePassword() {
  const std::string password = Entry(kAgainEdit);
  if (!PasswordLengthValid(password)) {
    ShowOutcome(PasswordOutcome::LengthWrong);
    return;
  }
  const auto path = AskFileName(this, FileDialogCall{true, {}, kPasswordFileFilter});
  if (!path) return;
  FileError error;
  if (!SavePasswordFile(*path, password, error)) ShowFileError(this, context_.files, error);
}

void CDlgAuthorization::ShowOutcome(PasswordOutcome outcome) {
  const PasswordMessageBox box = PasswordMessage(outcome);
  ShowMessageBox(this, MessageBoxCall{box.text.isKey ? std::string(box.text.value) : std::string(),
                                      PasswordMessageText(outcome, context_.files, context_.port),
                                      box.caption.Resolve(context_.files),
                                      box.icon, PromptButtons::Ok});
}

void CDlgAuthorization::closeEvent(QCloseEvent* event) {
  if (exchangeRunning_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void CDlgAuthorization::done(int result) {
  if (exchangeRunning_) return;
  // A failed exchange leaves the port open; nothing else may find it so. A cancelled
  // transfer's worker may still be using it: it is waited for rather than cut off.
  CWRDlg::FinishPendingTransfer();
  if (context_.port.IsOpen()) context_.port.Close();
  // The pages show the power choice as the image now holds it (the check box, or the
  // radio's byte that a password change brought in).
  if (context_.doc.IsHighPowerPermitted() != viewsShowHighPowerPermitted_ && context_.imageReplaced) {
    context_.imageReplaced();
    ViewsShowImage();
  }
  QDialog::done(result);
}
