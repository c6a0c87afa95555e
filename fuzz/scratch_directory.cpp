#include "fuzz/scratch_directory.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

std::filesystem::path ScratchBase() {
  const std::filesystem::path memory = "/dev/shm";
  std::error_code error;
  if (std::filesystem::is_directory(memory, error) && ::access(memory.c_str(), W_OK | X_OK) == 0) return memory;
  return std::filesystem::temp_directory_path();
}

}  // namespace

const std::filesystem::path& ScratchDirectory() {
  static const std::filesystem::path directory = [] {
    std::filesystem::path made = ScratchBase() / ("corvane-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(made);
    return made;
  }();
  // Registered after the path exists, so it runs before the path is destroyed.
  static const bool removedAtExit = [] {
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(directory, ignored);
    });
    return true;
  }();
  (void)removedAtExit;
  return directory;
}
