#pragma once
// A directory of the fuzzing process's own for the files a target writes, removed at exit.
// It lies in memory (/dev/shm) where there is such a file system: the settings writes
// flush to disk, which on a disk would take longer than the rest of an input.

#include <filesystem>

const std::filesystem::path& ScratchDirectory();
