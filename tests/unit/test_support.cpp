#include "tests/unit/test_support.h"

#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "radio/document.h"

namespace test {

std::filesystem::path SourceDataDir() { return std::filesystem::path(CORVANE_SOURCE_DIR) / "data"; }

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& content) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << content;
  return file;
}

ProgramDir::ProgramDir() {
  for (const char* name : {"setting.ini", "lang_en.lng", "lang_cn.lng"})
    std::filesystem::copy_file(SourceDataDir() / name, Path() / name);
}

namespace {

// One shell word, whatever the text holds.
std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::filesystem::path DataHome(const std::filesystem::path& home) { return home / "data-home"; }

ProgramRun RunProgram(const std::filesystem::path& program, const std::filesystem::path& home,
                      const std::filesystem::path& scratch, const std::vector<std::string>& args) {
  std::string command = "CORVANE_HOME=" + Quote(home.string()) + " XDG_DATA_HOME=" + Quote(DataHome(home).string()) +
                        " " + Quote(program.string());
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " </dev/null >" + Quote((scratch / "out").string()) + " 2>" + Quote((scratch / "err").string());
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(scratch / "out"), ReadAll(scratch / "err")};
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string HexText(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

std::vector<std::uint8_t> BytesFromHex(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

int FileMode(const std::filesystem::path& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  ::getrlimit(RLIMIT_FSIZE, &saved_);
  previous_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved_;
  limit.rlim_cur = bytes;
  active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &saved_);
  std::signal(SIGXFSZ, previous_);
}

PromptAnswer ScriptedPrompter::Ask(const PromptRequest& request) {
  asked_.push_back(request);
  if (answers_.empty()) return PromptAnswer::Ok;
  const PromptAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::vector<std::string> ScriptedPrompter::AskedKeys() const {
  std::vector<std::string> keys;
  for (const PromptRequest& request : asked_) keys.push_back(request.textKey);
  return keys;
}

void NewDocument(CTavroPgmDoc& doc, Prompter& prompter) {
  bool suppressClearPrompt = true;
  doc.OnNewDocument(prompter, suppressClearPrompt);
}

}  // namespace test
