#include "radio/prompt.h"

#include "settings/app_files.h"

std::string PromptRequest::Text(const AppFiles& files) const {
  return madeText.empty() ? files.GetText(textKey) + detail : madeText;
}

std::string PromptRequest::Caption(const AppFiles& files) const {
  return captionKey.empty() ? std::string(kProgramTitle) : files.GetText(captionKey);
}
