#include "tests/gui/radio_bench.h"

#include <QSettings>
#include <algorithm>

#include "ui/qt_text.h"

namespace test {

RadioBench::RadioBench() {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(userSettings.Path().string()));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(DataHome(home.Path()).string()));
  test::NewDocument(doc, prompter);
  files.WriteSetting("setup", "autocom", "0");
  files.WriteSetting("setup", "com", "1");
}

RadioBench::~RadioBench() { CWRDlg::FinishPendingTransfer(); }

void RadioBench::StartRadio(std::vector<std::string> options) {
  radio.reset();
  radioDir = std::make_unique<TempDir>();
  radio = std::make_unique<RecordingRadio>(radioDir->Path(), std::move(options));
  files.WriteSetting("ports", "1", radio->PtyPath());
}

std::vector<LogFrame> RadioBench::Frames() const { return ReadSimLog(radio->Log()); }

TransferContext RadioBench::Context(const CVoicePackage* voices) {
  return TransferContext{files, doc, port, voices, [this] { ++imageReplaced; }};
}

std::filesystem::path RadioBench::BackupFolder() const { return DataHome(home.Path()) / "corvane" / "backups"; }

std::vector<std::filesystem::path> RadioBench::Backups() const {
  std::vector<std::filesystem::path> files;
  std::error_code ignored;
  for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(BackupFolder(), ignored))
    files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

QString RadioBench::Text(const char* key) const { return ToQString(files.GetText(key)); }

}  // namespace test
