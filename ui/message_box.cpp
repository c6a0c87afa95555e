#include "ui/message_box.h"

#include <QMessageBox>

#include "radio/document.h"
#include "settings/app_files.h"
#include "ui/qt_text.h"

namespace {

MessageBoxAnswerer& Answerer() {
  static MessageBoxAnswerer answerer;
  return answerer;
}

QMessageBox::Icon QtIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok: return QMessageBox::Ok;
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

PromptAnswer AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    default: return PromptAnswer::Cancel;
  }
}

}  // namespace

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) { Answerer() = std::move(answerer); }

PromptAnswer ShowMessageBox(QWidget* parent, const MessageBoxCall& call) {
  if (Answerer()) return Answerer()(call);
  QMessageBox box(QtIcon(call.icon), ToQString(call.caption), ToQString(call.text), QtButtons(call.buttons), parent);
  if (call.cancelByDefault) box.setDefaultButton(QMessageBox::Cancel);
  return AnswerOf(box.exec());
}

PromptAnswer ShowMessageBox(QWidget* parent, const AppFiles& files, const PromptRequest& request) {
  return ShowMessageBox(parent, MessageBoxCall{request.textKey, request.Text(files), request.Caption(files),
                                               request.icon, request.buttons, request.cancelByDefault});
}

void ShowFileError(QWidget* parent, const AppFiles& files, const FileError& error) {
  ShowMessageBox(parent, MessageBoxCall{error.textKey, error.Text(files), files.GetText("IDS_ERROR"), PromptIcon::Error,
                                        PromptButtons::Ok});
}
