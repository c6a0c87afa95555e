// Feeds arbitrary text to the INI reader and writer. A value written into the text reads
// back, every other lookup finds what it found before, and the lines the write did not
// touch stay as they were.
//
// The parse and the rewrite run in memory, on the same code the file path uses. One input
// in kThroughFileEvery (the first of every run among them, so that a single input replays
// it) also goes through a file on disk: written, rewritten by WriteString, looked up again
// through the kept parse, and must come out as the memory path says.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/scratch_directory.h"
#include "settings/ascii.h"
#include "settings/file_io.h"
#include "settings/profile.h"

namespace {

constexpr unsigned kThroughFileEvery = 64;

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "ini: %s\n", what);
  std::abort();
}

// A name made of the input's letters and digits, so that it can always be written.
std::string NameFrom(std::string_view bytes) {
  std::string name;
  for (char c : bytes)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) name += c;
  return name.empty() ? std::string("k") : name;
}

std::optional<std::string> Lookup(const profile::IniFile& file, std::string_view section, std::string_view key) {
  const std::string* value = file.Find(section, key);
  return value != nullptr ? std::optional<std::string>(*value) : std::nullopt;
}

// The lines of text without their '\n'.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    lines.push_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

// The written text holds every line of the old one, in order, with one line replaced or
// one or two added (the entry, and its section header when the section was new). A last
// line without a line end gets the text's own ("\r\n" or "\n").
bool KeepsOtherLines(std::string_view before, std::string_view after) {
  const std::vector<std::string_view> old = Lines(before);
  const std::vector<std::string_view> now = Lines(after);
  if (now.size() < old.size() || now.size() > old.size() + 2) return false;
  const bool lastUnended = !before.empty() && before.back() != '\n';
  const auto kept = [&](std::size_t k, std::string_view line) {
    const std::string_view was = old[k];
    return line == was || (k + 1 == old.size() && lastUnended && line.size() == was.size() + 1 &&
                           line.starts_with(was) && line.back() == '\r');
  };
  std::size_t same = 0;
  while (same < old.size() && kept(same, now[same])) ++same;
  if (same == old.size()) return true;
  // Behind the first difference: the replaced line, or the added ones.
  const std::size_t added = now.size() - old.size();
  for (std::size_t k = same + (added == 0 ? 1 : 0); k < old.size(); ++k)
    if (!kept(k, now[k + added])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static unsigned inputs = 0;
  const bool throughFile = inputs++ % kThroughFileEvery == 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first bytes choose a section and key; the whole input is the text.
  const std::string section = NameFrom(input.substr(0, 4));
  const std::string key = NameFrom(input.substr(std::min<std::size_t>(4, size), 4));
  // Another lookup, whose answer a write elsewhere must not change.
  const std::string otherSection = NameFrom(input.substr(std::min<std::size_t>(8, size), 4));
  const std::string otherKey = NameFrom(input.substr(std::min<std::size_t>(12, size), 4));
  const bool sameEntry = ascii::EqualIgnoringCase(section, otherSection) && ascii::EqualIgnoringCase(key, otherKey);
  profile::TruncateUtf8(input, size / 2);

  const profile::IniFile before(input);
  const std::optional<std::string> otherBefore = Lookup(before, otherSection, otherKey);
  const std::optional<std::string> languageBefore = Lookup(before, "setup", "language");

  const std::string value = "value-" + std::to_string(size);
  const std::string written = profile::WithEntry(input, section, key, value);
  const profile::IniFile after(written);
  Check(Lookup(after, section, key) == value, "the written value does not read back");
  Check(sameEntry || Lookup(after, otherSection, otherKey) == otherBefore, "a write changed another key");
  Check((ascii::EqualIgnoringCase(section, "setup") && ascii::EqualIgnoringCase(key, "language")) ||
            Lookup(after, "setup", "language") == languageBefore,
        "a write changed the language setting");
  Check(KeepsOtherLines(input, written), "a write changed lines other than its own");

  if (!throughFile) return 0;
  static const std::filesystem::path file = ScratchDirectory() / "setting.ini";
  if (!file_io::ReplaceFileAtomically(file, input)) return 0;
  Check(profile::Find(file, otherSection, otherKey) == otherBefore, "the file's parse differs from the text's");
  Check(profile::WriteString(file, section, key, value), "the file could not be written");
  Check(file_io::ReadFile(file) == written, "the file holds other text than the rewrite in memory");
  Check(profile::Find(file, section, key) == value, "the value written to the file does not read back");
  return 0;
}
