#include "settings/file_io.h"

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace file_io {

std::optional<std::string> ReadDescriptor(int fd, std::size_t maxBytes) {
  std::string content;
  char chunk[8192];
  while (content.size() < maxBytes) {
    const std::size_t want = std::min(sizeof chunk, maxBytes - content.size());
    const ssize_t got = ::read(fd, chunk, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(chunk, static_cast<std::size_t>(got));
  }
  return content;
}

std::optional<std::string> ReadFile(const std::filesystem::path& path, std::size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info{};
  std::optional<std::string> content;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
  } else {
    content = ReadDescriptor(fd, maxBytes);
  }
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return content;
}

namespace {

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t put = ::write(fd, content.data(), content.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& link, std::string_view content) {
  // A symbolic link stays a link: its target is what gets replaced.
  std::error_code ignored;
  std::filesystem::path path = link;
  if (std::filesystem::is_symlink(link, ignored)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(link, ignored);
    if (!target.empty()) path = target;
  }
  std::string pattern = path.string() + ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return false;

  mode_t mode = 0644;
  struct stat existing{};
  if (::stat(path.c_str(), &existing) == 0) mode = existing.st_mode & 07777;

  bool ok = WriteAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(pattern.c_str(), path.c_str()) == 0) return true;
  if (ok) error = errno;
  ::unlink(pattern.c_str());
  errno = error;
  return false;
}

}  // namespace file_io
