#pragma once
// Shared fixtures: a throw-away program directory with its settings and language
// files, and a prompter that answers from a script and records what was asked.

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_files.h"
#include "radio/prompt.h"

namespace test {

// The shipped data files (setting.ini, lang_en.lng, lang_cn.lng) in the source tree.
std::filesystem::path SourceDataDir();

// A temporary directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Writes a file inside the directory and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

// A program directory holding copies of the shipped data files, for tests that
// read or change them.
class ProgramDir : public TempDir {
 public:
  ProgramDir();
  AppFiles Files(const std::string& language = "lang_en") const { return AppFiles(Path(), language); }
};

std::string ReadAll(const std::filesystem::path& path);

// Answers prompts from a queue (OK once it runs out) and records every request.
class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(std::deque<PromptAnswer> answers = {}) : answers_(std::move(answers)) {}
  PromptAnswer Ask(const PromptRequest& request) override;
  const std::vector<PromptRequest>& Asked() const { return asked_; }
  std::vector<std::string> AskedKeys() const;

 private:
  std::deque<PromptAnswer> answers_;
  std::vector<PromptRequest> asked_;
};

}  // namespace test
