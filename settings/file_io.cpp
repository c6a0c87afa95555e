#include "settings/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <random>
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

// The file a path stands for: a symbolic link stays a link, its target is what gets replaced.
std::filesystem::path ReplacedFile(const std::filesystem::path& link) {
  std::error_code ignored;
  if (!std::filesystem::is_symlink(link, ignored)) return link;
  const std::filesystem::path target = std::filesystem::weakly_canonical(link, ignored);
  return target.empty() ? link : target;
}

// Creates a new file beside path with a name of its own. open() with O_EXCL, not
// mkstemp: mkstemp makes 0600 files, while a new file must get the mode that `mode`
// leaves after the umask, as any program's new file does.
int CreateTemporaryBeside(const std::filesystem::path& path, mode_t mode, std::string& name) {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%d.%u.%08x", static_cast<int>(::getpid()), counter++, entropy());
    std::string candidate = path.string() + suffix;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      name = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

}  // namespace

bool MayReplace(const std::filesystem::path& path) {
  const std::filesystem::path file = ReplacedFile(path);
  struct stat existing{};
  if (::stat(file.c_str(), &existing) != 0) return errno == ENOENT;  // errno says why not
  constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
  if ((existing.st_mode & kAnyWriteBit) == 0) {
    errno = EACCES;
    return false;
  }
  return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

bool ReplaceFileAtomically(const std::filesystem::path& link, std::string_view content, NewFileAccess access) {
  const std::filesystem::path path = ReplacedFile(link);
  // A file the user may not write is not replaced behind its back: a rename needs only the
  // folder's permission, not the file's.
  if (!MayReplace(path)) return false;
  struct stat existing{};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  const mode_t newMode = access == NewFileAccess::OwnerOnly ? 0600 : 0666;
  std::string temporary;
  const int fd = CreateTemporaryBeside(path, newMode, temporary);
  if (fd < 0) return false;

  bool ok = WriteAll(fd, content);
  if (ok && (exists || access == NewFileAccess::OwnerOnly)) {
    const mode_t kept = access == NewFileAccess::OwnerOnly ? 0600 : existing.st_mode & 07777;
    ok = ::fchmod(fd, kept) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  if (ok) error = errno;
  ::unlink(temporary.c_str());
  errno = error;
  return false;
}

bool CreateFileAtomically(const std::filesystem::path& path, std::string_view content) {
  std::string temporary;
  const int fd = CreateTemporaryBeside(path, 0666, temporary);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  // link() unlike rename() refuses to replace a file that appeared meanwhile.
  if (ok && ::link(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  ::unlink(temporary.c_str());
  errno = error;
  return ok;
}

std::optional<std::filesystem::path> MakeFolders(const std::filesystem::path& folder) {
  std::filesystem::path made;
  for (const std::filesystem::path& part : folder) {
    made /= part;
    if (::mkdir(made.c_str(), 0700) == 0) continue;
    const int error = errno;
    struct stat existing{};
    if (error == EEXIST && ::stat(made.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) continue;
    errno = error == EEXIST ? ENOTDIR : error;
    return made;
  }
  return std::nullopt;
}

}  // namespace file_io
