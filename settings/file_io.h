#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace file_io {

// Reads an open file from its current position to its end, at most maxBytes of it;
// nullopt (errno set) on a read error. The descriptor stays open.
std::optional<std::string> ReadDescriptor(int fd, std::size_t maxBytes = std::string::npos);

// Reads a file, at most maxBytes of it; nullopt (errno set) when it cannot be read.
std::optional<std::string> ReadFile(const std::filesystem::path& path,
                                    std::size_t maxBytes = std::string::npos);

// Who may read a file that does not exist yet: everyone the umask lets (mode 0666 before
// the umask, as any program creates files), or its owner alone (0600, for secrets).
enum class NewFileAccess { Shared, OwnerOnly };

// True when path names no file yet, or a file this process may replace: one it may
// write that has a write permission bit for someone. A file without any write bit is
// taken as read-only also for the superuser, who could write it regardless.
bool MayReplace(const std::filesystem::path& path);

// Writes content to a temporary file beside path, flushes it to disk and renames it over
// path, so that an interrupted write leaves the old file intact. An existing file keeps its
// permission bits (an OwnerOnly file is made 0600 whatever it had); a new one gets them
// from `access`. A file that MayReplace refuses is left alone (EACCES). Returns false,
// with errno set, on failure; path is then untouched.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view content,
                           NewFileAccess access = NewFileAccess::Shared);

// Creates path with content, complete or not at all: the content goes to a temporary file
// beside it, flushed to disk, which is then linked to path. A file already there is kept as
// it is (EEXIST): two programs starting at once never overwrite each other's file. The new
// file gets mode 0666 less the umask. Returns false, with errno set, on failure.
bool CreateFileAtomically(const std::filesystem::path& path, std::string_view content);

// Makes folder and its missing parents, each readable by its owner alone, as the XDG base
// directory rules ask of per-user folders. On failure returns the folder that could not be
// made, with errno set.
std::optional<std::filesystem::path> MakeFolders(const std::filesystem::path& folder);

}  // namespace file_io
