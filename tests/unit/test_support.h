#pragma once
// Shared fixtures: a throw-away program directory with its settings and language
// files, and a prompter that answers from a script and records what was asked.

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <span>
#include <sstream>
#include <filesystem>
#include <string>
#include <vector>

#include "radio/prompt.h"
#include "settings/app_files.h"

class CTavroPgmDoc;

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

// The per-user data folder ($XDG_DATA_HOME) of a program run with the program directory
// `home`: inside it, never the user's own.
std::filesystem::path DataHome(const std::filesystem::path& home);

// A command-line program run as a script runs it: with the program directory `home` and its
// data folder, no input, its output and messages caught in files of `scratch`.
struct ProgramRun {
  int status = -1;  // the exit status; -1 when it did not exit
  std::string out;
  std::string err;
};
ProgramRun RunProgram(const std::filesystem::path& program, const std::filesystem::path& home,
                      const std::filesystem::path& scratch, const std::vector<std::string>& args);

// "00 20 65 14": bytes as they are written down in the image layout.
std::string HexText(std::span<const std::uint8_t> bytes);
// Hexadecimal text (either case, no separators) to bytes.
std::vector<std::uint8_t> BytesFromHex(const std::string& text);

// The differing bytes of two byte sequences, "offset: expected/actual", at most a dozen.
template <typename A, typename B>
std::string Differences(const A& expected, const B& actual) {
  std::ostringstream out;
  if (expected.size() != actual.size()) out << "size " << expected.size() << "/" << actual.size() << " ";
  int shown = 0;
  for (std::size_t i = 0; i < std::min(expected.size(), actual.size()) && shown < 12; ++i) {
    if (expected[i] == actual[i]) continue;
    out << std::hex << "0x" << i << ": " << int(expected[i]) << "/" << int(actual[i]) << " ";
    ++shown;
  }
  return out.str();
}

// Makes every write of this process fail once a file would grow beyond `bytes`
// (a write failure that also works as root, which ignores permissions).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Active() const { return active_; }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
  bool active_ = false;
};

// Sets the process's umask for a test (programs it starts inherit it) and restores it.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : saved_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(saved_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t saved_;
};

// The permission bits of a file (07777 of its mode); -1 when it does not exist.
int FileMode(const std::filesystem::path& path);

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

// Makes `doc` a new document (a fresh model-2 image, empty channels) without the clear warning.
void NewDocument(CTavroPgmDoc& doc, Prompter& prompter);

}  // namespace test
