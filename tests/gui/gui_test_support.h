#pragma once
// Shared pieces of the window tests: the message-box answerer that plays the user,
// and the fixtures of the unit and end-to-end tests (program directory, simulator).

#include <QObject>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/sim_process.h"
#include "tests/unit/test_support.h"
#include "ui/message_box.h"

class QString;

namespace test {

// Points the program at `directory` ($CORVANE_HOME), keeps the per-user settings (recent
// files) in `userSettings` and the per-user data (backups) in DataHome(directory), away
// from the user's own.
void UseProgramDirectory(const std::filesystem::path& directory, const QString& userSettings);

// Answers every message box from a queue and records what was shown. When the
// queue runs out it answers OK, or No to a Yes/No/Cancel question (nothing is saved).
class ScriptedMessageBoxes {
 public:
  explicit ScriptedMessageBoxes(std::deque<PromptAnswer> answers = {});
  ~ScriptedMessageBoxes();
  ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
  ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

  void Then(PromptAnswer answer) { answers_.push_back(answer); }
  const std::vector<MessageBoxCall>& Shown() const { return shown_; }
  // The text keys of the messages shown, in order ("" for a fixed text).
  std::vector<std::string> Keys() const;
  void Clear() { shown_.clear(); }
  // Called as each message shows, before it is answered (to look at the program then).
  std::function<void(const MessageBoxCall&)> onShow;

 private:
  PromptAnswer Answer(const MessageBoxCall& call);
  std::deque<PromptAnswer> answers_;
  std::vector<MessageBoxCall> shown_;
};

// Arms a zero-time timer that notes whether it ran while the window thread waited, and
// whether the busy cursor showed then: the window stayed alive under a busy cursor.
struct EventsDuringWait {
  EventsDuringWait();
  bool ran = false;
  bool busyCursor = false;

 private:
  QObject timerOwner_;  // a test that ends first takes the timer with it
};

}  // namespace test
