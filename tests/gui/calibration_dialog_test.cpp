// The calibration table ("Test 2") end to end: the real window and serial code on a
// pseudo-terminal, corvane-radio-sim as the radio, message boxes answered by script.
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dlg_test_rw.h"
#include "link/port_survey.h"
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
const CalibrationField& FieldOf(int editId) {
  return *std::find_if(CalibrationFields().begin(), CalibrationFields().end(),
                       [&](const CalibrationField& field) { return field.editId == editId; });
}
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

  // Taking the edits: a value from 0 to 255 stores its byte, an empty edit keeps it.
  void writeStoresTheEditsAndAnEmptyEditKeepsItsByte() {
    Bench& b = *bench_;
    b.StartRadio(Pattern(100));
    CDlgTestRW dialog(b.Context());
    dialog.show();
    Area expected = Pattern(1);
    const struct {
      int editId;
      const char* text;
      int stored;  // -1: the byte stays
    } typed[] = {{1102, "44", 44}, {1115, "", -1}, {1116, "  ", -1}, {1103, " 9 ", 9}, {1138, "0", 0}, {1137, "255", 255}};
    for (const auto& entry : typed) {
      Edit(dialog, entry.editId)->setText(QString::fromLatin1(entry.text));
      if (entry.stored >= 0) expected[FieldOf(entry.editId).offset - image::kCalibration] = static_cast<char>(entry.stored);
    }
    Click(dialog, CDlgTestRW::kWriteId);

    QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_PROMPT_WRITESUCC"});
    QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText("IDS_PROMPT_WRITE"));
    QCOMPARE(AreaOf(b.doc), expected);
    QVERIFY(b.doc.IsModified());
    QVERIFY(EditsShowTheImage(dialog, b.doc));  // the empty edits show their bytes again
    QCOMPARE(b.imageReplaced, 0);
    QVERIFY(!b.port.IsOpen());
    QCOMPARE(AreaOf(b.radio->SavedMemory()), expected);
  }

  // A value the radio's byte cannot hold is refused before anything is connected: one
  // message names every such item by its caption, the focus goes to the first, and the
  // image, the radio and the typed texts stay as they were.
  void valuesOutside0To255AreRefusedBeforeConnecting_data() {
    QTest::addColumn<QList<int>>("edits");      // in table order, the first one refused
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("captions");  // the items the message names
    QTest::newRow("300") << QList<int>{1102} << QStringList{"300"} << QStringList{"Voltage"};
    QTest::newRow("256") << QList<int>{1103} << QStringList{"256"} << QStringList{"L Tune"};
    QTest::newRow("-1") << QList<int>{1138} << QStringList{"-1"} << QStringList{"H H P"};
    QTest::newRow("abc") << QList<int>{1131} << QStringList{"abc"} << QStringList{"DCS"};
    QTest::newRow("two items and a good one") << QList<int>{1115, 1128, 1133} << QStringList{"1.5", "12", "x7"}
                                              << QStringList{"SQL3", "L L P"};
  }
  void valuesOutside0To255AreRefusedBeforeConnecting() {
    QFETCH(QList<int>, edits);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, captions);
    Bench& b = *bench_;
    b.StartRadio(Pattern(100));
    CDlgTestRW dialog(b.Context());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    for (int k = 0; k < edits.size(); ++k) Edit(dialog, edits[k])->setText(texts[k]);
    Click(dialog, CDlgTestRW::kWriteId);

    QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_CALIBRATION_RANGE"});
    const MessageBoxCall& message = b.messages.Shown()[0];
    QCOMPARE(message.caption, b.files.GetText("IDS_PROMPT_WRITE"));
    QCOMPARE(message.icon, PromptIcon::Exclamation);
    const QString named = QString::fromStdString(message.text).section(QLatin1Char('\n'), -1);
    QCOMPARE(named, captions.join(", "));
    QCOMPARE(ControlId(QApplication::focusWidget()), edits.front());
    QVERIFY(Edit(dialog, edits.front())->hasSelectedText());
    for (int k = 0; k < edits.size(); ++k) QCOMPARE(Edit(dialog, edits[k])->text(), texts[k]);  // as typed
    QCOMPARE(AreaOf(b.doc), Pattern(1));
    QVERIFY(!b.doc.IsModified());
    QVERIFY(!b.port.IsOpen());
    QVERIFY(b.Frames().empty());  // not even a handshake
    QCOMPARE(AreaOf(b.radio->SavedMemory()), Pattern(100));
  }

  // Blank values (a new configuration's area) did not come from a radio: writing them
  // asks first, and Cancel sends nothing.
  void blankValuesAreWrittenOnlyWhenConfirmed_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("OK writes") << true;
    QTest::newRow("Cancel sends nothing") << false;
  }
  void blankValuesAreWrittenOnlyWhenConfirmed() {
    QFETCH(bool, confirmed);
    Bench& b = *bench_;
    const Area blank(image::kCalibrationSize, static_cast<char>(image::kEmpty));
    SetArea(b.doc, blank);
    b.doc.SetModifiedFlag(false);
    b.StartRadio(Pattern(100));
    CDlgTestRW dialog(b.Context());
    dialog.show();
    b.messages.Then(confirmed ? PromptAnswer::Ok : PromptAnswer::Cancel);
    Click(dialog, CDlgTestRW::kWriteId);

    const std::vector<std::string> asked = {"IDS_CALIBRATION_BLANK"};
    std::vector<std::string> expected = asked;
    if (confirmed) expected.push_back("IDS_PROMPT_WRITESUCC");
    QCOMPARE(b.messages.Keys(), expected);
    const MessageBoxCall& question = b.messages.Shown()[0];
    QCOMPARE(question.buttons, PromptButtons::OkCancel);
    QCOMPARE(question.icon, PromptIcon::Exclamation);
    QCOMPARE(question.caption, b.files.GetText("IDS_PROMPT_WRITE"));
    QVERIFY(question.cancelByDefault);
    QCOMPARE(AreaOf(b.doc), blank);
    QVERIFY(!b.doc.IsModified());
    QVERIFY(!b.port.IsOpen());
    QCOMPARE(b.Frames().empty(), !confirmed);
    QCOMPARE(AreaOf(b.radio->SavedMemory()), confirmed ? blank : Pattern(100));
  }

  // The real box behind such a question: Enter, the first key a hurried user presses,
  // answers Cancel.
  void enterOnAQuestionWithCancelByDefaultAnswersCancel() {
    SetMessageBoxAnswerer({});
    std::optional<bool> cancelWasDefault;
    QTimer::singleShot(0, this, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      cancelWasDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
      QTest::keyClick(box, Qt::Key_Return);
    });
    const PromptRequest question{"IDS_CALIBRATION_BLANK", "", "IDS_PROMPT_WRITE", PromptIcon::Exclamation,
                                 PromptButtons::OkCancel, true};
    QCOMPARE(ShowMessageBox(nullptr, bench_->files, question), PromptAnswer::Cancel);
    QCOMPARE(cancelWasDefault, std::optional<bool>(true));
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
    if (fault == "no-device")  // why the port cannot be opened, rather than the key's general text
      QCOMPARE(b.messages.Shown()[0].text,
               port_survey::PortProblemText(b.files, (b.scratch / "no-such-tty").string(), ENOENT));
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
