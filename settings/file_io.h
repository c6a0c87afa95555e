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

// Writes content to a temporary file beside path, flushes it to disk and renames it over
// path, so that an interrupted write leaves the old file intact. An existing file keeps its
// permission bits. Returns false, with errno set, on failure; path is then untouched.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace file_io
