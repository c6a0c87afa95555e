#pragma once
// Every message the program shows goes through here: a text and a caption looked
// up by key, an icon and a set of buttons. Tests install an answerer that sees
// each message instead of the user and answers from a script.

#include <functional>
#include <string>

#include "radio/prompt.h"

class AppFiles;
class QWidget;
struct FileError;

struct MessageBoxCall {
  std::string textKey;  // empty for the few fixed texts of the program
  std::string text;     // as the user reads it
  std::string caption;
  PromptIcon icon = PromptIcon::Exclamation;
  PromptButtons buttons = PromptButtons::Ok;
  bool cancelByDefault = false;  // Enter answers Cancel
};

using MessageBoxAnswerer = std::function<PromptAnswer(const MessageBoxCall&)>;
// An empty answerer gives the questions back to the user.
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

PromptAnswer ShowMessageBox(QWidget* parent, const MessageBoxCall& call);
// Looks up the request's text and caption keys.
PromptAnswer ShowMessageBox(QWidget* parent, const AppFiles& files, const PromptRequest& request);
// Why a file could not be read or written, under the error caption.
void ShowFileError(QWidget* parent, const AppFiles& files, const FileError& error);

// Core code's questions, answered by message boxes over `parent`.
class MessageBoxPrompter final : public Prompter {
 public:
  MessageBoxPrompter(QWidget* parent, const AppFiles& files) : parent_(parent), files_(files) {}
  PromptAnswer Ask(const PromptRequest& request) override { return ShowMessageBox(parent_, files_, request); }
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  QWidget* parent_;
  const AppFiles& files_;
};
