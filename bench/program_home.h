#pragma once
// A throw-away program directory holding the shipped data files, where the program
// started by a benchmark finds them ($CORVANE_HOME) and keeps its per-user settings and data.

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>

class ProgramHome {
 public:
  ProgramHome() {
    const std::filesystem::path home = dir_.path().toStdString();
    for (const char* name : {"setting.ini", "lang_en.lng", "lang_cn.lng"}) {
      std::filesystem::copy_file(std::filesystem::path(CORVANE_BIN_DIR) / name, home / name);
    }
    setenv("CORVANE_HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
  }

 private:
  QTemporaryDir dir_;
};
