#include "tests/gui/gui_test_support.h"

#include <QApplication>
#include <QCursor>
#include <QSettings>
#include <QTimer>

namespace test {

void UseProgramDirectory(const std::filesystem::path& directory, const QString& userSettings) {
  qputenv("CORVANE_HOME", QByteArray::fromStdString(directory.string()));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(DataHome(directory).string()));
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, userSettings);
}

ScriptedMessageBoxes::ScriptedMessageBoxes(std::deque<PromptAnswer> answers) : answers_(std::move(answers)) {
  SetMessageBoxAnswerer([this](const MessageBoxCall& call) { return Answer(call); });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { SetMessageBoxAnswerer({}); }

std::vector<std::string> ScriptedMessageBoxes::Keys() const {
  std::vector<std::string> keys;
  for (const MessageBoxCall& call : shown_) keys.push_back(call.textKey);
  return keys;
}

PromptAnswer ScriptedMessageBoxes::Answer(const MessageBoxCall& call) {
  shown_.push_back(call);
  if (onShow) onShow(call);
  if (!answers_.empty()) {
    const PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return call.buttons == PromptButtons::YesNoCancel ? PromptAnswer::No : PromptAnswer::Ok;
}

EventsDuringWait::EventsDuringWait() {
  QTimer::singleShot(0, &timerOwner_, [this] {
    ran = true;
    const QCursor* cursor = QApplication::overrideCursor();
    busyCursor = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
  });
}

}  // namespace test
