#pragma once
// Radio backups: every configuration read from a radio, and a radio's configuration
// before a write that asked for it, kept as a data file in the user's data folder
// ($XDG_DATA_HOME/corvane/backups, ~/.local/share/corvane/backups by default), whatever
// the program directory. A backup is named YYYYMMDD-HHMMSS-<model>.vxp after the local
// time it was written, with ".2", ".3", ... before ".vxp" when several land in the same
// second. Backups are removed only by age ("days" of section [backup] in setting.ini),
// when a new one is written.

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "radio/document.h"
#include "radio/image_map.h"

class AppFiles;

namespace backup {

// How long backups are kept when setting.ini does not say.
inline constexpr int kDefaultKeepDays = 365;

// The backup folder by the XDG base directory rules: $XDG_DATA_HOME/corvane/backups when
// that is an absolute path (a relative one is ignored), else
// <home>/.local/share/corvane/backups; nullopt when there is no home either.
std::optional<std::filesystem::path> Folder(const char* xdgDataHome, const std::string& home);
// The same for this process's environment.
std::optional<std::filesystem::path> UserFolder();

// What a backup's file name says.
struct Name {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::string model;  // file-safe
  int sequence = 1;   // 2, 3, ... for later backups of the same second
  bool operator==(const Name&) const = default;
};

// The name of a backup file; nullopt for any other name.
std::optional<Name> ParseName(std::string_view fileName);
std::string FileName(const Name& name);
// A model name as it goes into a file name: ASCII letters, digits, '-' and '+' stay, every
// run of other characters becomes one '_', and none is left at either end.
std::string FileSafeModel(std::string_view model);

// The model a backup of doc is named after: its name in the model selector, else its
// identifier as 16 hexadecimal digits (as setting.ini writes it).
std::string ModelName(const CTavroPgmDoc& doc);
// The data file of the configuration doc holds, as a read saves it: the data file header,
// the image and the voice package identifier.
std::array<std::uint8_t, block::kSize> DataFileBytes(const CTavroPgmDoc& doc);

// Writes bytes as a new backup of `model` in folder (made when missing), named after the
// local time `now`, then removes the folder's backups older than keepDays days. The new
// file's path, or nullopt with errno set; nothing is removed when the backup failed.
std::optional<std::filesystem::path> Write(const std::filesystem::path& folder,
                                           std::span<const std::uint8_t, block::kSize> bytes, std::string_view model,
                                           std::time_t now, int keepDays);

// Removes the backups in folder whose file was last changed more than keepDays days before
// now; keepDays 0 (or less) keeps them all. Only regular files named as backups are touched.
void Prune(const std::filesystem::path& folder, std::time_t now, int keepDays);

// One backup of the list.
struct Entry {
  std::filesystem::path path;
  Name name;
  std::string model;  // the model the configuration identifies, else the name's
  int usedChannels = 0;
  std::array<std::uint8_t, block::kVoiceIdSize> voiceId{};
};
// "2026-12-11 14:07:49": a backup's local time as a person reads it.
std::string TimeText(const Name& name);

// The backups in folder, newest first. Other files, folders, and files named as backups
// that are not radio data files, are left out.
std::vector<Entry> List(const AppFiles& files, const std::filesystem::path& folder);

// After a successful read: keeps what doc holds as a backup in the user's folder, pruned
// by the setting's age. The new file, or why it could not be written.
struct Kept {
  std::filesystem::path path;
  std::optional<FileError> error;
};
Kept Keep(const CTavroPgmDoc& doc);

}  // namespace backup
