// Feeds arbitrary text to the INI reader, and checks that a value written into
// that text reads back while every other lookup still works.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include "settings/profile.h"

namespace {

const std::filesystem::path& ScratchFile() {
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("corvane-fuzz-ini-" + std::to_string(::getpid()) + ".ini");
  // Registered after the path exists, so it runs before the path is destroyed.
  static const bool removedAtExit = [] {
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    });
    return true;
  }();
  (void)removedAtExit;
  return file;
}

// A name made of the input's letters and digits, so that it can always be written.
std::string NameFrom(std::string_view bytes) {
  std::string name;
  for (char c : bytes)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) name += c;
  return name.empty() ? std::string("k") : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first bytes choose a section and key; the whole input is the file.
  const std::string section = NameFrom(input.substr(0, 4));
  const std::string key = NameFrom(input.substr(std::min<std::size_t>(4, size), 4));
  profile::FindInText(input, section, key);
  profile::FindInText(input, "setup", "language");
  profile::TruncateUtf8(input, size / 2);

  const std::filesystem::path& file = ScratchFile();
  {
    FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
  }
  const std::string value = "value-" + std::to_string(size);
  if (!profile::WriteString(file, section, key, value)) std::abort();
  if (profile::Find(file, section, key) != value) std::abort();
  return 0;
}
