// The read/write dialog end to end: the real dialog, worker and serial code on a
// pseudo-terminal, corvane-radio-sim as the radio, message boxes answered by script.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/port_dlg.h"
#include "dialogs/wr_dlg.h"
#include "link/port_survey.h"
#include "link/serial.h"
#include "link/voice_package.h"
#include "radio/document.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/radio_bench.h"
#include "ui/dialog_template.h"
#include "ui/qt_text.h"

namespace {

// The band edges of model 2, the model of a new document.
constexpr const char* kModel2Band = "0000004700000040";
constexpr const char* kHandshakeFrame = "50 52 4F 47 52 41 4D";
constexpr int kTransferTimeoutMs = 30000;

std::string ImageOf(const CTavroPgmDoc& doc) {
  return std::string(reinterpret_cast<const char*>(doc.Image().data()), block::kImageSize);
}

// One test's world: a program directory, the document, the program's one port and the radio.
struct Bench : test::RadioBench {
  std::unique_ptr<CVoicePackage> voices;

  std::string SavedMemory() { return radio->SavedMemory(); }
  // Frames the tool sent, one list per session (a session begins with the handshake).
  std::vector<std::vector<std::string>> SessionsSent() {
    std::vector<std::vector<std::string>> sessions;
    for (const test::LogFrame& frame : Frames()) {
      if (!frame.received) continue;
      if (frame.bytes == kHandshakeFrame || sessions.empty()) sessions.emplace_back();
      sessions.back().push_back(frame.bytes);
    }
    return sessions;
  }

  // A data file with some channels and a message, for the radio to start from.
  std::filesystem::path RadioFile() {
    CTavroPgmDoc source(files);
    test::NewDocument(source, prompter);
    FillChannels(source);
    FileError error;
    const std::filesystem::path file = scratch / "radio.vxp";
    if (!source.OnSaveDocument(file, error)) throw std::runtime_error("cannot save the radio's data file");
    radioImage = ImageOf(source);
    return file;
  }
  void FillChannels(CTavroPgmDoc& target) {
    target.SetChannelFrequency(1, true, "446.00625", prompter);
    target.SetChannelTone(1, true, "88.5");
    target.SetChannelFrequency(2, true, "439.0125", prompter);
    target.SetChannelFrequency(2, false, "431.4125", prompter);
    target.SetMessageText("CORVANE TEST");
  }
  std::string radioImage;

  TransferContext Context() { return RadioBench::Context(voices.get()); }
};

QPushButton* OkButton(const CWRDlg& dialog) { return Control<QPushButton>(&dialog, kIdOk); }
QLabel* ProgressText(const CWRDlg& dialog) { return Control<QLabel>(&dialog, 1302); }
QProgressBar* ProgressBar(const CWRDlg& dialog) { return Control<QProgressBar>(&dialog, 1024); }
QCheckBox* OverwriteVoice(const CWRDlg& dialog) { return Control<QCheckBox>(&dialog, 1217); }
QCheckBox* VerifyAfterWriting(const CWRDlg& dialog) { return Control<QCheckBox>(&dialog, CWRDlg::kVerifyId); }
QCheckBox* WriteCalibration(const CWRDlg& dialog) { return Control<QCheckBox>(&dialog, CWRDlg::kWriteCalibrationId); }
QCheckBox* BackUpFirst(const CWRDlg& dialog) { return Control<QCheckBox>(&dialog, CWRDlg::kBackupId); }

// 32 distinct bytes from `first` on, for the calibration area.
void SetCalibration(CTavroPgmDoc& doc, int first) {
  for (std::size_t k = 0; k < image::kCalibrationSize; ++k)
    doc.At(image::kCalibration + k) = static_cast<std::uint8_t>(first + 3 * k);
}
std::string CalibrationOf(const std::string& image) { return image.substr(image::kCalibration, image::kCalibrationSize); }

}  // namespace

class TransferDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { bench_ = std::make_unique<Bench>(); }
  void cleanup() { bench_.reset(); }

  void readReplacesTheImageAndEndsWithoutAMessage_data();
  void readReplacesTheImageAndEndsWithoutAMessage();
  void noRadioShowsOneConnectionErrorAndCloses_data();
  void noRadioShowsOneConnectionErrorAndCloses();
  void failedReadKeepsTheDialogOpenAndOkRetries();
  void anotherModelIsWrittenOnlyAfterConsent_data();
  void anotherModelIsWrittenOnlyAfterConsent();
  void closingDuringATransferReturnsAtOnceAndFreesThePort_data();
  void closingDuringATransferReturnsAtOnceAndFreesThePort();
  void writeOffersTheVoiceOptionAndFillsTheBarAtFullProgress_data();
  void writeOffersTheVoiceOptionAndFillsTheBarAtFullProgress();
  void overwriteVoiceWithoutReadableVoiceDataShowsTheFileErrorAndSendsNothing_data();
  void overwriteVoiceWithoutReadableVoiceDataShowsTheFileErrorAndSendsNothing();
  void theDialogOpensWithWhatToDoBeforeOk_data();
  void theDialogOpensWithWhatToDoBeforeOk();
  void verifyAfterWritingIsOnByDefaultAndRemembered();
  void theRadiosCalibrationIsKeptUnlessTheBoxIsTickedThisTime_data();
  void theRadiosCalibrationIsKeptUnlessTheBoxIsTickedThisTime();
  void verificationReadsBackAndReportsWhatTheRadioDidNotStore_data();
  void verificationReadsBackAndReportsWhatTheRadioDidNotStore();
  void theNextUseOfThePortWaitsForACancelledWorkerWithoutFreezing_data();
  void theNextUseOfThePortWaitsForACancelledWorkerWithoutFreezing();
  void aReadKeepsABackupOrSaysWhyNot_data();
  void aReadKeepsABackupOrSaysWhyNot();
  void backUpBeforeWritingIsOnByDefaultAndRemembered();
  void aWriteWithBackupKeepsTheRadiosConfigurationThenWrites();
  void withoutItsBackupNothingIsWritten_data();
  void withoutItsBackupNothingIsWritten();

 private:
  std::unique_ptr<Bench> bench_;
};

void TransferDialogTest::readReplacesTheImageAndEndsWithoutAMessage_data() {
  QTest::addColumn<QString>("generation");
  QTest::addColumn<int>("version");
  QTest::newRow("first generation") << "1" << 0x10;
  QTest::newRow("second generation, 38400 baud") << "2" << 0x20;
}

void TransferDialogTest::readReplacesTheImageAndEndsWithoutAMessage() {
  QFETCH(QString, generation);
  QFETCH(int, version);
  Bench& b = *bench_;
  b.StartRadio({"--generation", generation.toStdString(), "--image", b.RadioFile().string()});
  QVERIFY(ImageOf(b.doc) != b.radioImage);

  CWRDlg dialog(b.Context(), true);
  QCOMPARE(dialog.windowTitle(), b.Text("IDS_READDATA"));
  QCOMPARE(ProgressBar(dialog)->maximum(), CWRDlg::kProgressRange);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QVERIFY(!OverwriteVoice(dialog)->isVisible());
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QVERIFY(!OkButton(dialog)->isEnabled());
  QVERIFY(dialog.IsTransferRunning());
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(!dialog.isVisible());
  QVERIFY(b.messages.Keys().empty());
  QCOMPARE(b.imageReplaced, 1);
  QCOMPARE(ImageOf(b.doc), b.radioImage);
  QCOMPARE(int(b.doc.RadioVersion()), version);
  QVERIFY(!b.port.IsOpen());
}

void TransferDialogTest::noRadioShowsOneConnectionErrorAndCloses_data() {
  QTest::addColumn<bool>("deviceExists");
  QTest::addColumn<QString>("key");
  // The one port to try cannot be opened: the message says why (here: the device is missing).
  QTest::newRow("no such device") << false << "IDS_ERROR_PORTOPEN";
  QTest::newRow("a radio that never answers") << true << "IDS_ERROR_PORTCONN";
}

void TransferDialogTest::noRadioShowsOneConnectionErrorAndCloses() {
  QFETCH(bool, deviceExists);
  QFETCH(QString, key);
  Bench& b = *bench_;
  if (deviceExists) {
    b.StartRadio({"--fault", "no-handshake"});
  } else {
    b.files.WriteSetting("ports", "1", (b.scratch / "no-such-tty").string());
  }
  b.FillChannels(b.doc);
  const std::string before = ImageOf(b.doc);
  const std::string settings = test::ReadAll(b.files.SettingsPath());

  CWRDlg dialog(b.Context(), true);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QCOMPARE(b.messages.Keys(), std::vector<std::string>{key.toStdString()});
  const std::string device = (b.scratch / "no-such-tty").string();
  QCOMPARE(b.messages.Shown()[0].text,
           deviceExists ? b.files.GetText("IDS_ERROR_PORTCONN") : port_survey::PortProblemText(b.files, device, ENOENT));
  QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText("IDS_ERROR"));
  QCOMPARE(b.messages.Shown()[0].icon, PromptIcon::Error);
  QCOMPARE(ImageOf(b.doc), before);
  QCOMPARE(b.imageReplaced, 0);
  // No search: the port setting stays as it was.
  QCOMPARE(test::ReadAll(b.files.SettingsPath()), settings);
  QVERIFY(!b.port.IsOpen());
}

void TransferDialogTest::failedReadKeepsTheDialogOpenAndOkRetries() {
  Bench& b = *bench_;
  // The fourth block's reply comes cut short; the radio is of the second generation, so
  // the failed read has switched the link to 38400 baud.
  const std::filesystem::path radioFile = b.RadioFile();
  b.StartRadio({"--generation", "2", "--version", "22", "--fault", "short-reply:3", "--image", radioFile.string()});
  const std::string before = ImageOf(b.doc);

  CWRDlg dialog(b.Context(), true);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(OkButton(dialog)->isEnabled(), kTransferTimeoutMs);

  QCOMPARE(ProgressText(dialog)->text(), b.Text("IDS_PROMPT_READFAIL"));
  QVERIFY(ProgressText(dialog)->wordWrap());
  QVERIFY(dialog.isVisible());
  QVERIFY(!dialog.IsTransferRunning());
  QCOMPARE(finished.size(), 0);
  QVERIFY(b.messages.Keys().empty());
  QCOMPARE(ImageOf(b.doc), before);
  QCOMPARE(b.imageReplaced, 0);
  // The version the radio reported is kept although the read failed.
  QCOMPARE(int(b.doc.RadioVersion()), 0x22);
  // The port is not left at 38400 baud for the retry.
  QVERIFY(!b.port.IsOpen());

  // OK again, with a sound radio on the same port number.
  b.StartRadio({"--generation", "2", "--image", radioFile.string()});
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);
  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(b.messages.Keys().empty());
  QCOMPARE(ImageOf(b.doc), b.radioImage);
  QCOMPARE(b.imageReplaced, 1);
  QCOMPARE(int(b.doc.RadioVersion()), 0x20);
}

void TransferDialogTest::anotherModelIsWrittenOnlyAfterConsent_data() {
  QTest::addColumn<bool>("agree");
  QTest::newRow("Cancel") << false;
  QTest::newRow("OK") << true;
}

void TransferDialogTest::anotherModelIsWrittenOnlyAfterConsent() {
  QFETCH(bool, agree);
  Bench& b = *bench_;
  b.StartRadio({"--generation", "1", "--model-id", "0102030405060708", "--band", kModel2Band});
  b.FillChannels(b.doc);
  b.messages.Then(agree ? PromptAnswer::Ok : PromptAnswer::Cancel);

  CWRDlg dialog(b.Context(), false);
  QCOMPARE(dialog.windowTitle(), b.Text("IDS_WRITEDATA"));
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  // Declining ends the dialog without a further message.
  QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_CONFIRM_TYPE"});
  QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText("IDS_CONFIRM"));
  QCOMPARE(b.messages.Shown()[0].buttons, PromptButtons::OkCancel);
  QCOMPARE(b.messages.Shown()[0].icon, PromptIcon::Question);
  QVERIFY(!b.port.IsOpen());
  const std::string memory = b.SavedMemory();
  int writeFrames = 0;
  for (const auto& session : b.SessionsSent())
    for (const std::string& frame : session) writeFrames += frame.starts_with("77 ") ? 1 : 0;
  if (agree) {
    QCOMPARE(writeFrames, 128);
    QCOMPARE(memory.substr(image::ChannelOffset(1), 32), ImageOf(b.doc).substr(image::ChannelOffset(1), 32));
  } else {
    QCOMPARE(writeFrames, 0);
    QCOMPARE(memory.substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));
  }
}

void TransferDialogTest::closingDuringATransferReturnsAtOnceAndFreesThePort_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("Cancel button") << "cancel";
  QTest::newRow("Esc") << "escape";
  QTest::newRow("window close button") << "close";
}

void TransferDialogTest::closingDuringATransferReturnsAtOnceAndFreesThePort() {
  QFETCH(QString, how);
  Bench& b = *bench_;
  // Replies as slow as the wire: a first-generation read takes a few seconds.
  b.StartRadio({"--generation", "1", "--wire-timing", "--image", b.RadioFile().string()});
  const std::string before = ImageOf(b.doc);

  {
    CWRDlg dialog(b.Context(), true);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ProgressBar(dialog)->value() > 0, kTransferTimeoutMs);
    if (how == "cancel") {
      QTest::mouseClick(Control<QPushButton>(&dialog, kIdCancel), Qt::LeftButton);
    } else if (how == "escape") {
      QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
      dialog.close();
    }
    // Closed at once, while the worker still runs.
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    QVERIFY(!dialog.IsTransferRunning());
  }
  QCOMPARE(ImageOf(b.doc), before);

  // A second read on the same port and radio, right away.
  CWRDlg again(b.Context(), true);
  QSignalSpy finished(&again, &QDialog::finished);
  again.show();
  QTest::mouseClick(OkButton(again), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);
  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(b.messages.Keys().empty());
  QCOMPARE(ImageOf(b.doc), b.radioImage);
  QCOMPARE(b.imageReplaced, 1);

  // The cancelled worker stopped at a block boundary, and the second read had the
  // radio to itself from a fresh handshake on.
  const auto sessions = b.SessionsSent();
  QCOMPARE(sessions.size(), std::size_t{2});
  const auto readRequests = [](const std::vector<std::string>& frames) {
    return int(std::count_if(frames.begin(), frames.end(), [](const std::string& f) { return f.starts_with("52 "); }));
  };
  QVERIFY(readRequests(sessions[0]) < 128);
  QCOMPARE(readRequests(sessions[1]), 128);
}

void TransferDialogTest::writeOffersTheVoiceOptionAndFillsTheBarAtFullProgress_data() {
  QTest::addColumn<QString>("generation");
  QTest::addColumn<bool>("overwriteVoice");
  QTest::addColumn<QString>("lastTextKey");
  QTest::newRow("configuration") << "1" << false << "IDS_PROMPT_WRITE";
  QTest::newRow("configuration and voice data") << "2" << true << "IDS_VOICECHANGE";
}

void TransferDialogTest::writeOffersTheVoiceOptionAndFillsTheBarAtFullProgress() {
  QFETCH(QString, generation);
  QFETCH(bool, overwriteVoice);
  QFETCH(QString, lastTextKey);
  Bench& b = *bench_;
  // A voice package the radio already holds: only the ticked option sends it again.
  std::string package(CVoicePackage::kFileSize, '\xFF');
  package[0x0400] = 0x11;
  package[0x1000] = 0x11;
  package.replace(CVoicePackage::kIdentifier, 16, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10", 16));
  b.home.Write("voice.enc", package);
  b.voices = std::make_unique<CVoicePackage>(b.home.Path());
  QCOMPARE(b.voices->Count(), std::size_t{1});
  std::copy_n(package.begin() + CVoicePackage::kIdentifier, 16, b.doc.VoiceId().begin());
  b.StartRadio({"--generation", generation.toStdString(), "--band", kModel2Band, "--voice",
                (b.home.Path() / "voice.enc").string()});
  b.FillChannels(b.doc);

  CWRDlg dialog(b.Context(), false);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QVERIFY(OverwriteVoice(dialog)->isVisible());
  if (overwriteVoice) QTest::mouseClick(OverwriteVoice(dialog), Qt::LeftButton);
  QCOMPARE(OverwriteVoice(dialog)->isChecked(), overwriteVoice);
  BackUpFirst(dialog)->setChecked(false);  // the write's session first
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  // The radio takes a second after the last block before it reports done.
  const QString full = b.Text(lastTextKey.toLatin1().constData()) + " 100%";
  QTRY_VERIFY_WITH_TIMEOUT(ProgressText(dialog)->text() == full || finished.size() > 0, kTransferTimeoutMs);
  QCOMPARE(ProgressText(dialog)->text(), full);
  QCOMPARE(ProgressBar(dialog)->value(), CWRDlg::kProgressRange);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(b.messages.Keys().empty());
  QCOMPARE(b.imageReplaced, 0);
  const std::string memory = b.SavedMemory();
  std::string written = ImageOf(b.doc);
  written[image::kKeyAndVox] = char(written[image::kKeyAndVox] | image::key_and_vox::kTransferFlag);
  QCOMPARE(memory.substr(0, block::kImageSize), written);
  const auto sessions = b.SessionsSent();
  std::vector<std::string> voiceFrames;
  // The write's session (the read-back after it, with "Verify after writing", sends no voice data).
  for (const std::string& frame : sessions.front())
    if (frame.starts_with("77 ") && frame.substr(3, 2) >= "04") voiceFrames.push_back(frame.substr(0, 11));
  const std::vector<std::string> expected =
      overwriteVoice ? std::vector<std::string>{"77 7F F8 08", "77 04 00 40", "77 10 00 40", "77 7F C0 40"}
                     : std::vector<std::string>{};
  QCOMPARE(voiceFrames, expected);
}

void TransferDialogTest::overwriteVoiceWithoutReadableVoiceDataShowsTheFileErrorAndSendsNothing_data() {
  QTest::addColumn<bool>("packageListed");
  QTest::newRow("the chosen package file is gone") << true;
  QTest::newRow("no voice package") << false;
}

void TransferDialogTest::overwriteVoiceWithoutReadableVoiceDataShowsTheFileErrorAndSendsNothing() {
  QFETCH(bool, packageListed);
  Bench& b = *bench_;
  const std::filesystem::path package = b.home.Path() / "voice.enc";
  if (packageListed) b.home.Write("voice.enc", std::string(CVoicePackage::kFileSize, '\x11'));
  b.voices = std::make_unique<CVoicePackage>(b.home.Path());
  QCOMPARE(b.voices->Count(), std::size_t{packageListed ? 1u : 0u});
  std::filesystem::remove(package);  // after the program listed the packages
  b.StartRadio({"--generation", "2", "--band", kModel2Band});
  b.FillChannels(b.doc);

  CWRDlg dialog(b.Context(), false);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QTest::mouseClick(OverwriteVoice(dialog), Qt::LeftButton);
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);

  QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_ERROR_OPENFILE"});
  const MessageBoxCall& shown = b.messages.Shown()[0];
  const std::string missing = packageListed ? package.string() : (b.home.Path() / "*.enc").string();
  QVERIFY2(shown.text.starts_with(b.files.GetText("IDS_ERROR_OPENFILE") + " " + missing), shown.text.c_str());
  QCOMPARE(shown.caption, b.files.GetText("IDS_ERROR"));
  QCOMPARE(shown.icon, PromptIcon::Error);
  // No transfer started: the dialog waits with OK for another try.
  QVERIFY(!dialog.IsTransferRunning());
  QVERIFY(dialog.isVisible());
  QVERIFY(OkButton(dialog)->isEnabled());
  QCOMPARE(finished.size(), 0);
  QVERIFY(!b.port.IsOpen());
  QCOMPARE(b.SavedMemory().substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));
  QVERIFY(b.SessionsSent().empty());
}

void TransferDialogTest::theDialogOpensWithWhatToDoBeforeOk_data() {
  QTest::addColumn<QString>("language");
  QTest::newRow("English") << "lang_en";
  QTest::newRow("Chinese") << "lang_cn";
}

// Before OK the dialog says what to connect and what to do: a text of its own for reading
// and for writing, from the language file, whole on the label.
void TransferDialogTest::theDialogOpensWithWhatToDoBeforeOk() {
  QFETCH(QString, language);
  Bench& b = *bench_;
  const AppFiles files = b.home.Files(language.toStdString());
  QStringList shown;
  for (const bool isRead : {true, false}) {
    CWRDlg dialog(TransferContext{files, b.doc, b.port, nullptr, {}}, isRead);
    dialog.show();
    QLabel* label = ProgressText(dialog);
    const QString text = label->text();
    QCOMPARE(text, ToQString(files.GetText(isRead ? "IDS_PROMPT_READSTART" : "IDS_PROMPT_WRITESTART")));
    QVERIFY(!text.isEmpty() && text != ToQString(kTextNotFound));
    QVERIFY(label->isVisible());
    QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(text));
    shown.append(text);
  }
  QVERIFY(shown[0] != shown[1]);
}

// Offered when writing only; ticked until the user unticks it, then unticked in the next
// write dialog as well.
void TransferDialogTest::verifyAfterWritingIsOnByDefaultAndRemembered() {
  Bench& b = *bench_;
  {
    CWRDlg read(b.Context(), true);
    read.show();
    QVERIFY(!VerifyAfterWriting(read)->isVisible());
  }
  for (const bool ticked : {true, false}) {
    CWRDlg write(b.Context(), false);
    write.show();
    QVERIFY(VerifyAfterWriting(write)->isVisible());
    QCOMPARE(VerifyAfterWriting(write)->text(), ToQString(b.files.ResourceText(CWRDlg::kVerifyId).value_or("")));
    QCOMPARE(VerifyAfterWriting(write)->isChecked(), ticked);
    if (ticked) QTest::mouseClick(VerifyAfterWriting(write), Qt::LeftButton);
  }
}

void TransferDialogTest::theRadiosCalibrationIsKeptUnlessTheBoxIsTickedThisTime_data() {
  QTest::addColumn<bool>("tick");
  QTest::newRow("the radio's own") << false;
  QTest::newRow("the file's") << true;
}

// "Also write the alignment values and radio password of this file" is offered when writing
// only, and is off whenever the dialog opens, whatever was chosen before. Off, the radio
// keeps its own calibration area and the verification compares with what was sent.
void TransferDialogTest::theRadiosCalibrationIsKeptUnlessTheBoxIsTickedThisTime() {
  QFETCH(bool, tick);
  Bench& b = *bench_;
  CTavroPgmDoc radioDoc(b.files);
  test::NewDocument(radioDoc, b.prompter);
  SetCalibration(radioDoc, 0x90);
  FileError error;
  const std::filesystem::path radioFile = b.scratch / "radio.vxp";
  QVERIFY(radioDoc.OnSaveDocument(radioFile, error));
  b.StartRadio({"--generation", "2", "--image", radioFile.string()});
  b.FillChannels(b.doc);
  SetCalibration(b.doc, 0x10);
  const std::string before = ImageOf(b.doc);
  {
    CWRDlg read(b.Context(), true);
    read.show();
    QVERIFY(!WriteCalibration(read)->isVisible());
  }
  {
    CWRDlg earlier(b.Context(), false);
    earlier.show();
    QCOMPARE(WriteCalibration(earlier)->text(), ToQString(b.files.ResourceText(CWRDlg::kWriteCalibrationId).value_or("")));
    QTest::mouseClick(WriteCalibration(earlier), Qt::LeftButton);
    QVERIFY(WriteCalibration(earlier)->isChecked());
  }

  CWRDlg dialog(b.Context(), false);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QCheckBox* box = WriteCalibration(dialog);
  QVERIFY(box->isVisible());
  QVERIFY(!box->isChecked());
  QVERIFY(box->focusPolicy() & Qt::TabFocus);
  QVERIFY(box->geometry().right() < dialog.width());
  VerifyAfterWriting(dialog)->setChecked(true);
  BackUpFirst(dialog)->setChecked(false);  // the write and its read-back alone
  if (tick) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(box->isChecked());
  }
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(b.messages.Keys().empty());  // the verification found what was sent
  QCOMPARE(b.SessionsSent().size(), std::size_t{2});
  QCOMPARE(CalibrationOf(b.SavedMemory()), CalibrationOf(tick ? before : ImageOf(radioDoc)));
  QCOMPARE(ImageOf(b.doc), before);
}

void TransferDialogTest::verificationReadsBackAndReportsWhatTheRadioDidNotStore_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<bool>("verify");
  QTest::addColumn<bool>("failure");
  QTest::newRow("a sound radio") << "" << true << false;
  // The third 8-byte block begins with channel 1's receive frequency.
  QTest::newRow("one byte stored wrongly") << "corrupt-write:2" << true << true;
  QTest::newRow("one byte stored wrongly, not verified") << "corrupt-write:2" << false << false;
}

void TransferDialogTest::verificationReadsBackAndReportsWhatTheRadioDidNotStore() {
  QFETCH(QString, fault);
  QFETCH(bool, verify);
  QFETCH(bool, failure);
  Bench& b = *bench_;
  std::vector<std::string> options = {"--generation", "1", "--band", kModel2Band};
  if (!fault.isEmpty()) options.insert(options.end(), {"--fault", fault.toStdString()});
  b.StartRadio(options);
  b.FillChannels(b.doc);
  const std::string before = ImageOf(b.doc);

  CWRDlg dialog(b.Context(), false);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  if (!verify) QTest::mouseClick(VerifyAfterWriting(dialog), Qt::LeftButton);
  QCOMPARE(VerifyAfterWriting(dialog)->isChecked(), verify);
  BackUpFirst(dialog)->setChecked(false);  // the write and its read-back alone
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  if (verify) {
    QTRY_VERIFY_WITH_TIMEOUT(ProgressText(dialog)->text().startsWith(b.Text("IDS_PROMPT_VERIFY")) || finished.size() > 0,
                             kTransferTimeoutMs);
    QVERIFY(ProgressText(dialog)->text().startsWith(b.Text("IDS_PROMPT_VERIFY")));
  }
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(!b.port.IsOpen());
  // The read-back never reaches the document.
  QCOMPARE(ImageOf(b.doc), before);
  QCOMPARE(b.imageReplaced, 0);
  QCOMPARE(b.SessionsSent().size(), std::size_t{verify ? 2u : 1u});
  if (!failure) {
    QVERIFY(b.messages.Keys().empty());
    return;
  }
  QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_PROMPT_VERIFYFAIL"});
  const MessageBoxCall& shown = b.messages.Shown()[0];
  QCOMPARE(shown.text, b.files.GetText("IDS_PROMPT_VERIFYFAIL") + "\nCH 1 / RX Freq [MHz] (150.1.1): 446.006250 -> " +
                           shown.text.substr(shown.text.rfind(' ') + 1));
  QCOMPARE(shown.caption, b.files.GetText("IDS_ERROR"));
  QCOMPARE(shown.icon, PromptIcon::Error);
}

void TransferDialogTest::theNextUseOfThePortWaitsForACancelledWorkerWithoutFreezing_data() {
  QTest::addColumn<QString>("next");
  QTest::newRow("OK in a transfer dialog") << "transfer";
  QTest::newRow("the port dialog") << "port";
}

// A cancelled worker may go on for a while (here: the second a first-generation radio takes
// after the last block). Whoever uses the port next waits for it with the windows still
// going and a busy cursor, then has the port to itself.
void TransferDialogTest::theNextUseOfThePortWaitsForACancelledWorkerWithoutFreezing() {
  QFETCH(QString, next);
  Bench& b = *bench_;
  b.StartRadio({"--generation", "1", "--band", kModel2Band});
  for (int port = 2; port <= CPortDlg::kPortCount; ++port) {
    b.files.WriteSetting("ports", std::to_string(port), (b.scratch / "no-such-tty").string());
  }
  b.FillChannels(b.doc);
  {
    CWRDlg write(b.Context(), false);
    QSignalSpy finished(&write, &QDialog::finished);
    write.show();
    QTest::mouseClick(OkButton(write), Qt::LeftButton);
    const QString full = b.Text("IDS_PROMPT_WRITE") + " 100%";
    QTRY_VERIFY_WITH_TIMEOUT(ProgressText(write)->text() == full || finished.size() > 0, kTransferTimeoutMs);
    QCOMPARE(ProgressText(write)->text(), full);
    QTest::mouseClick(Control<QPushButton>(&write, kIdCancel), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
  }

  test::EventsDuringWait wait;
  if (next == "transfer") {
    CWRDlg read(b.Context(), true);
    QSignalSpy finished(&read, &QDialog::finished);
    read.show();
    QTest::mouseClick(OkButton(read), Qt::LeftButton);
    QVERIFY(wait.ran);
    QVERIFY(wait.busyCursor);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);
    QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
    QVERIFY(b.messages.Keys().empty());
    QCOMPARE(b.imageReplaced, 1);
  } else {
    CPortDlg port(b.files, b.port);  // probes the ports as it opens
    QVERIFY(wait.ran);
    QVERIFY(wait.busyCursor);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // The radio's terminal is free again: its port opens.
    QVERIFY(Control<QRadioButton>(&port, CPortDlg::kFirstPortButton)->isEnabled());
    QVERIFY(!Control<QRadioButton>(&port, CPortDlg::kFirstPortButton + 1)->isEnabled());
  }
  QVERIFY(!b.port.IsOpen());
}

void TransferDialogTest::aReadKeepsABackupOrSaysWhyNot_data() {
  QTest::addColumn<bool>("folderBlocked");
  QTest::newRow("kept") << false;
  QTest::newRow("the backup folder cannot be made") << true;
}

// A read keeps exactly what Save would store; a backup that cannot be written is said in
// one message, and the read has succeeded all the same.
void TransferDialogTest::aReadKeepsABackupOrSaysWhyNot() {
  QFETCH(bool, folderBlocked);
  Bench& b = *bench_;
  if (folderBlocked) b.home.Write("data-home", "a file where the folder belongs");
  b.StartRadio({"--generation", "2", "--image", b.RadioFile().string()});

  CWRDlg dialog(b.Context(), true);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QCOMPARE(ImageOf(b.doc), b.radioImage);
  QCOMPARE(b.imageReplaced, 1);
  if (folderBlocked) {
    QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_BACKUP_FAILED"});
    const std::string& text = b.messages.Shown()[0].text;
    QVERIFY2(text.starts_with(b.files.GetText("IDS_BACKUP_FAILED") + " " + b.BackupFolder().string() + " ("),
             text.c_str());
    QVERIFY(text.find('\n') == std::string::npos);
    QVERIFY(b.Backups().empty());
    return;
  }
  QVERIFY(b.messages.Keys().empty());
  const std::vector<std::filesystem::path> backups = b.Backups();
  QCOMPARE(backups.size(), std::size_t{1});
  FileError error;
  QVERIFY(b.doc.OnSaveDocument(b.scratch / "saved.vxp", error));
  QCOMPARE(test::ReadAll(backups[0]), test::ReadAll(b.scratch / "saved.vxp"));
}

// Offered when writing only; ticked until the user unticks it, then unticked in the next
// write dialog as well.
void TransferDialogTest::backUpBeforeWritingIsOnByDefaultAndRemembered() {
  Bench& b = *bench_;
  {
    CWRDlg read(b.Context(), true);
    read.show();
    QVERIFY(!BackUpFirst(read)->isVisible());
  }
  for (const bool ticked : {true, false}) {
    CWRDlg write(b.Context(), false);
    write.show();
    QVERIFY(BackUpFirst(write)->isVisible());
    QVERIFY(BackUpFirst(write)->geometry().bottom() < write.height());
    QCOMPARE(BackUpFirst(write)->text(), ToQString(b.files.ResourceText(CWRDlg::kBackupId).value_or("")));
    QCOMPARE(BackUpFirst(write)->isChecked(), ticked);
    if (ticked) QTest::mouseClick(BackUpFirst(write), Qt::LeftButton);
  }
}

// The radio is read whole in a session of its own and kept; then the write's session puts
// the document into it. The document is not touched by the backup read.
void TransferDialogTest::aWriteWithBackupKeepsTheRadiosConfigurationThenWrites() {
  Bench& b = *bench_;
  b.StartRadio({"--generation", "2", "--image", b.RadioFile().string()});
  const std::string before = ImageOf(b.doc);

  CWRDlg dialog(b.Context(), false);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  VerifyAfterWriting(dialog)->setChecked(false);
  QVERIFY(BackUpFirst(dialog)->isChecked());
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);

  QCOMPARE(finished.at(0).at(0).toInt(), CWRDlg::kEndCode);
  QVERIFY(b.messages.Keys().empty());
  QCOMPARE(ImageOf(b.doc), before);
  QCOMPARE(b.imageReplaced, 0);
  const std::vector<std::filesystem::path> backups = b.Backups();
  QCOMPARE(backups.size(), std::size_t{1});
  QCOMPARE(test::ReadAll(backups[0]).substr(block::kImage, block::kImageSize), b.radioImage);
  const auto sessions = b.SessionsSent();
  QCOMPARE(sessions.size(), std::size_t{2});
  const auto writes = [](const std::vector<std::string>& session) {
    return std::count_if(session.begin(), session.end(), [](const std::string& f) { return f.starts_with("77 "); });
  };
  QCOMPARE(writes(sessions[0]), 0);
  QVERIFY(writes(sessions[1]) > 0);
  std::string written = before;
  written[image::kKeyAndVox] = char(written[image::kKeyAndVox] | image::key_and_vox::kTransferFlag);
  written.replace(image::kCalibration, image::kCalibrationSize, CalibrationOf(b.radioImage));
  QCOMPARE(b.SavedMemory().substr(0, block::kImageSize), written);
}

void TransferDialogTest::withoutItsBackupNothingIsWritten_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<bool>("folderBlocked");
  QTest::addColumn<QString>("message");  // empty: the dialog stays open saying the read failed
  QTest::newRow("a reply cut short in the backup read") << "short-reply:3" << false << "";
  QTest::newRow("a radio that never answers") << "no-handshake" << false << "IDS_ERROR_PORTCONN";
  QTest::newRow("the backup folder cannot be made") << "" << true << "IDS_BACKUP_NOTKEPT";
}

void TransferDialogTest::withoutItsBackupNothingIsWritten() {
  QFETCH(QString, fault);
  QFETCH(bool, folderBlocked);
  QFETCH(QString, message);
  Bench& b = *bench_;
  if (folderBlocked) b.home.Write("data-home", "a file where the folder belongs");
  std::vector<std::string> options = {"--generation", "2", "--image", b.RadioFile().string()};
  if (!fault.isEmpty()) options.insert(options.end(), {"--fault", fault.toStdString()});
  b.StartRadio(options);

  CWRDlg dialog(b.Context(), false);
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
  if (message.isEmpty()) {
    QTRY_VERIFY_WITH_TIMEOUT(OkButton(dialog)->isEnabled(), kTransferTimeoutMs);
    QCOMPARE(ProgressText(dialog)->text(), b.Text("IDS_PROMPT_READFAIL"));
    QVERIFY(b.messages.Keys().empty());
  } else {
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kTransferTimeoutMs);
    QCOMPARE(b.messages.Keys(), std::vector<std::string>{message.toStdString()});
  }
  QVERIFY(!b.port.IsOpen());
  QVERIFY(b.Backups().empty());
  QCOMPARE(b.SavedMemory().substr(0, block::kImageSize), b.radioImage);
  for (const test::LogFrame& frame : b.Frames()) QVERIFY2(!frame.received || !frame.bytes.starts_with("77 "), frame.bytes.c_str());
}

QTEST_MAIN(TransferDialogTest)
#include "transfer_dialog_test.moc"
