// The calibration table ("Test 2") end to end: the real window and serial code on a
// pseudo-terminal, corvane-radio-sim as the radio, message boxes answered by script.
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/dlg_test_rw.h"
#include "link/serial.h"
#include "link/test_functions.h"
#include "radio/document.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/radio_bench.h"
#include "ui/dialog_template.h"

namespace {

// The identification of a model other than the new document's (model 0).
constexpr const char* kOtherModelId = "3130315620564300";

using Area = std::string;  // the 32 calibration bytes

Area AreaOf(const CTavroPgmDoc& doc) {
  Area area;
  for (std::size_t k = 0; k < image::kCalibrationSize; ++k) area += static_cast<char>(doc.At(image::kCalibration + k));
  return area;
}
Area AreaOf(const std::string& memory) { return memory.substr(image::kCalibration, image::kCalibrationSize); }
void SetArea(CTavroPgmDoc& doc, const Area& area) {
  for (std::size_t k = 0; k < area.size(); ++k) doc.At(image::kCalibration + k) = static_cast<std::uint8_t>(area[k]);
}
// 32 distinct bytes beginning at `first`.
Area Pattern(int first) {
  Area area;
  for (int k = 0; k < static_cast<int>(image::kCalibrationSize); ++k) area += static_cast<char>((first + 7 * k) & 0xFF);
  return area;
}

// One test's world: a program directory, the document, the program's one port and the radio.
struct Bench : test::RadioBench {
  Bench() {
    SetArea(doc, Pattern(1));
    doc.SetModifiedFlag(false);
  }

  // The radio on port 1: the document's image with `area` as its calibration area.
  void StartRadio(const Area& area, std::vector<std::string> options = {}) {
    std::string image(reinterpret_cast<const char*>(doc.Image().data()), block::kImageSize);
    image.replace(image::kCalibration, image::kCalibrationSize, area);
    options.insert(options.end(), {"--image", scratch.Write("radio.bin", image).string()});
    RadioBench::StartRadio(std::move(options));
  }
  // The frames the tool sent that read or write calibration bytes.
  std::vector<std::string> CalibrationFramesSent() const {
    std::vector<std::string> frames;
    for (const test::LogFrame& frame : Frames())
      if (frame.received && (frame.bytes.starts_with("52 03 E") || frame.bytes.starts_with("52 03 F") ||
                             frame.bytes.starts_with("74 ")))
        frames.push_back(frame.bytes);
    return frames;
  }
};

QLineEdit* Edit(const CDlgTestRW& dialog, int id) { return Control<QLineEdit>(&dialog, id); }
void Click(const CDlgTestRW& dialog, int id) { QTest::mouseClick(Control<QPushButton>(&dialog, id), Qt::LeftButton); }

// Every edit shows its byte of the document's image.
bool EditsShowTheImage(const CDlgTestRW& dialog, const CTavroPgmDoc& doc) {
  return std::all_of(CalibrationFields().begin(), CalibrationFields().end(), [&](const CalibrationField& field) {
    return Edit(dialog, field.editId)->text() == QString::number(doc.At(field.offset));
  });
}

}  // namespace

class CalibrationDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { bench_ = std::make_unique<Bench>(); }
  void cleanup() { bench_.reset(); }

  void opensWithTheImageInTableOrderAndEscCloses() {
    Bench& b = *bench_;
    CDlgTestRW dialog(b.Context());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test 2 - Calibration Data"));
    QVERIFY(EditsShowTheImage(dialog, b.doc));
    QCOMPARE(Edit(dialog, 1102)->text(), QString::number(std::uint8_t(Pattern(1)[4])));  // "Voltage" is 0x3E4
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    Edit(dialog, CalibrationFields().front().editId)->setFocus();
    std::vector<int> walked;
    for (std::size_t k = 0; k < CalibrationFields().size(); ++k) {
      walked.push_back(ControlId(QApplication::focusWidget()));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    std::vector<int> table;
    for (const CalibrationField& field : CalibrationFields()) table.push_back(field.editId);
    QCOMPARE(walked, table);
    QCOMPARE(ControlId(QApplication::focusWidget()), CDlgTestRW::kReadId);

    // Enter in an edit presses no button.
    Edit(dialog, 1102)->setFocus();
    QTest::keyClick(Edit(dialog, 1102), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QVERIFY(b.messages.Keys().empty());

    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!dialog.isVisible());
  }

  // The whole area comes from the radio, the bytes no edit shows (the password block,
  // the low-power flag) included; the pages reload.
  void readReplacesTheWholeAreaAndTheEditsShowIt() {
    Bench& b = *bench_;
    const Area radioArea = Pattern(200);
    b.StartRadio(radioArea);
    CDlgTestRW dialog(b.Context());
    dialog.show();
    Click(dialog, CDlgTestRW::kReadId);

    QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_PROMPT_READSUCC"});
    QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText("IDS_PROMPT_READ"));
    QCOMPARE(AreaOf(b.doc), radioArea);
    QVERIFY(EditsShowTheImage(dialog, b.doc));
    QVERIFY(b.doc.IsModified());
    QCOMPARE(b.imageReplaced, 1);
    QVERIFY(!b.port.IsOpen());
    QCOMPARE(AreaOf(b.radio->SavedMemory()), radioArea);  // a read sends no byte into the radio
    QCOMPARE(b.CalibrationFramesSent(),
             (std::vector<std::string>{"52 03 E0 08", "52 03 E8 08", "52 03 F0 08", "52 03 F8 08"}));
  }

  // Taking the edits: a number stores its low eight bits, other text keeps the byte.
  void writeStoresTheEditsAndKeepsBytesOfOtherText() {
    Bench& b = *bench_;
    b.StartRadio(Pattern(100));
    CDlgTestRW dialog(b.Context());
    dialog.show();
    Area expected = Pattern(1);
    const struct {
      int editId;
      const char* text;
      int stored;  // -1: the byte stays
    } typed[] = {{1102, "300", 44}, {1115, "", -1}, {1116, "x7", -1}, {1103, " 9 ", 9}, {1138, "-3", -1}, {1137, "256", 0}};
    for (const auto& entry : typed) {
      Edit(dialog, entry.editId)->setText(QString::fromLatin1(entry.text));
      const auto field = std::find_if(CalibrationFields().begin(), CalibrationFields().end(),
                                       [&](const CalibrationField& f) { return f.editId == entry.editId; });
      if (entry.stored >= 0) expected[field->offset - image::kCalibration] = static_cast<char>(entry.stored);
    }
    Click(dialog, CDlgTestRW::kWriteId);

    QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_PROMPT_WRITESUCC"});
    QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText("IDS_PROMPT_WRITE"));
    QCOMPARE(AreaOf(b.doc), expected);
    QVERIFY(b.doc.IsModified());
    QVERIFY(EditsShowTheImage(dialog, b.doc));  // "300" now shows as 44, the empty edit its byte
    QCOMPARE(Edit(dialog, 1102)->text(), QStringLiteral("44"));
    QCOMPARE(b.imageReplaced, 0);
    QVERIFY(!b.port.IsOpen());
    QCOMPARE(AreaOf(b.radio->SavedMemory()), expected);
  }

  void writingUnchangedEditsLeavesTheDocumentUnmodified() {
    Bench& b = *bench_;
    b.StartRadio(Pattern(100));
    CDlgTestRW dialog(b.Context());
    dialog.show();
    Click(dialog, CDlgTestRW::kWriteId);
    QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_PROMPT_WRITESUCC"});
    QVERIFY(!b.doc.IsModified());
    QCOMPARE(AreaOf(b.radio->SavedMemory()), Pattern(1));
  }

  // A refused connection moves no calibration byte, shows one message, keeps the window
  // open; the port stays open until the window ends.
  void refusedConnectionsMoveNoCalibrationByte_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("caption");
    for (const int button : {CDlgTestRW::kReadId, CDlgTestRW::kWriteId}) {
      const char* name = button == CDlgTestRW::kReadId ? "read" : "write";
      QTest::addRow("%s, another model", name) << button << "other-model" << "IDS_ERROR_TYPE" << "IDS_COMMUNICATION_ERROR";
      QTest::addRow("%s, silent radio", name) << button << "no-handshake" << "IDS_FAILED_CONNECT"
                                              << "IDS_COMMUNICATION_ERROR";
      QTest::addRow("%s, no such port", name) << button << "no-device" << "IDS_ERROR_PORTOPEN" << "IDS_ERROR";
    }
  }
  void refusedConnectionsMoveNoCalibrationByte() {
    QFETCH(int, button);
    QFETCH(QString, fault);
    QFETCH(QString, key);
    QFETCH(QString, caption);
    Bench& b = *bench_;
    const Area radioArea = Pattern(100);
    if (fault == "other-model") b.StartRadio(radioArea, {"--model-id", kOtherModelId});
    else if (fault == "no-handshake") b.StartRadio(radioArea, {"--fault", "no-handshake"});
    else b.StartRadio(radioArea);
    // Port 1 names a device that does not exist; the radio is elsewhere.
    if (fault == "no-device") b.files.WriteSetting("ports", "1", (b.scratch / "no-such-tty").string());

    CDlgTestRW dialog(b.Context());
    dialog.show();
    Click(dialog, button);

    QCOMPARE(b.messages.Keys(), std::vector<std::string>{key.toStdString()});
    QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText(caption.toStdString()));
    QVERIFY(dialog.isVisible());
    QCOMPARE(AreaOf(b.doc), Pattern(1));
    QVERIFY(!b.doc.IsModified());
    QCOMPARE(b.imageReplaced, 0);
    QVERIFY(EditsShowTheImage(dialog, b.doc));
    QCOMPARE(b.port.IsOpen(), fault != "no-device");
    dialog.reject();
    QVERIFY(!b.port.IsOpen());
    QCOMPARE(AreaOf(b.radio->SavedMemory()), radioArea);
    QCOMPARE(b.CalibrationFramesSent(), std::vector<std::string>{});
  }

 private:
  std::unique_ptr<Bench> bench_;
};

QTEST_MAIN(CalibrationDialogTest)
#include "calibration_dialog_test.moc"
