#pragma once
// How core code asks the user something. The caller supplies the Prompter: the
// desktop program answers with a message box, the command line from its options,
// tests from a script.

#include <string>

class AppFiles;

enum class PromptIcon { None, Information, Question, Exclamation, Error };
enum class PromptButtons { Ok, OkCancel, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct PromptRequest {
  std::string textKey;     // looked up in the language file
  std::string detail;      // appended to the looked-up text as it stands
  std::string captionKey;  // looked up too; empty means the program title
  PromptIcon icon = PromptIcon::Exclamation;
  PromptButtons buttons = PromptButtons::OkCancel;
  // Enter answers Cancel: for questions whose OK destroys what cannot be restored.
  bool cancelByDefault = false;
  // A text made when it is asked (why a port cannot be used), shown instead of the key's;
  // the key still says which message it is.
  std::string madeText{};

  std::string Text(const AppFiles& files) const;
  std::string Caption(const AppFiles& files) const;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual PromptAnswer Ask(const PromptRequest& request) = 0;
};
