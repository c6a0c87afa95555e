#include "tests/gui/radio_bench.h"

#include <QSettings>

#include "ui/qt_text.h"

namespace test {

RadioBench::RadioBench() {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(userSettings.Path().string()));
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

QString RadioBench::Text(const char* key) const { return ToQString(files.GetText(key)); }

}  // namespace test
