#pragma once
// The world of a window test that talks to a radio: a program directory, a new document,
// the program's one port on "com" 1 without a port search, scripted message boxes, and a
// simulated radio on that port that logs every frame and keeps its memory, and per-user
// settings and data folder of its own.

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/wr_dlg.h"
#include "link/serial.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "tests/gui/gui_test_support.h"

namespace test {

struct RadioBench {
  RadioBench();
  // A worker a test left running may still use the port and the document's files.
  ~RadioBench();
  RadioBench(const RadioBench&) = delete;
  RadioBench& operator=(const RadioBench&) = delete;

  // Starts the radio on port 1 (a radio started before is ended first); it logs and keeps
  // its memory in a folder of its own.
  void StartRadio(std::vector<std::string> options);
  // The frames of the radio's log, both ways.
  std::vector<LogFrame> Frames() const;
  // The dialogs' context; the image-replaced callback counts its calls.
  TransferContext Context(const CVoicePackage* voices = nullptr);
  QString Text(const char* key) const;
  // Where the radio backups of this bench go (its own $XDG_DATA_HOME), and those there.
  std::filesystem::path BackupFolder() const;
  std::vector<std::filesystem::path> Backups() const;

  ProgramDir home;
  TempDir scratch;
  TempDir userSettings;  // the per-user settings the windows remember choices in
  AppFiles files = home.Files();
  ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
  CSerial port{files.SettingsPath()};
  ScriptedMessageBoxes messages;
  std::unique_ptr<TempDir> radioDir;
  std::unique_ptr<RecordingRadio> radio;
  int imageReplaced = 0;
};

}  // namespace test
