// Test mode as the technician meets it: the locked "Test Mode" window, its manual-adjust
// switch, and the alignment window against corvane-radio-sim on a pseudo-terminal (the
// real serial code and worker thread), read back from the radio's frame log.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/dlg_test_rw.h"
#include "dialogs/test_dlg.h"
#include "dialogs/test_function.h"
#include "dialogs/wr_dlg.h"
#include "link/port_survey.h"
#include "link/serial.h"
#include "link/test_functions.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/radio_bench.h"
#include "ui/dialog_template.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace {

// The code technicians enter; any other number keeps the window locked.
constexpr const char* kAccessCode = "73519";
constexpr int kRadioTimeoutMs = 10000;

const std::string kEnterTest = "4B 00 00 08 00 02 00 00 00 00 00 00";
std::string ItemFrame(const std::string& item) { return "4B 00 00 08 10 80 " + item + " 00 00 00 00 00"; }
std::string PointFrame(const std::string& point) { return "4B 00 00 08 80 00 00 00 20 00 " + point + " 00"; }
// The point frame carrying a stepped or slid value.
std::string ValueFrame(int value) { return PointFrame(QString("%1").arg(value, 2, 16, QChar('0')).toUpper().toStdString()); }
const std::string kSaveFrame = "4B 00 00 08 10 00 01 00 00 80 00 00";
const std::string kValueQuery = "72";
const std::string kPing = "45";

// One test's world: a program directory, the document, the program's one port and the radio.
struct Bench : test::RadioBench {
  // The radio on port 1, holding the document's configuration (its calibration bytes are
  // the values the adjust items start from).
  void StartRadio(std::vector<std::string> options = {}) {
    FileError error;
    const std::filesystem::path image = scratch / "radio.vxp";
    if (!doc.OnSaveDocument(image, error)) throw std::runtime_error("cannot save the radio's data file");
    options.insert(options.end(), {"--image", image.string()});
    RadioBench::StartRadio(std::move(options));
  }

  // The log as "RX <bytes>" (sent by the program) and "TX <bytes>" (the radio's answers).
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    for (const test::LogFrame& frame : Frames()) lines.push_back((frame.received ? "RX " : "TX ") + frame.bytes);
    return lines;
  }
  // The log from the last time the program sent `frame`; empty when it never did.
  std::vector<std::string> LogFromLast(const std::string& frame) const {
    const std::vector<std::string> lines = Log();
    const auto last = std::find(lines.rbegin(), lines.rend(), "RX " + frame);
    if (last == lines.rend()) return {};
    return {std::prev(last.base()), lines.end()};
  }
  // Frames the program sent from the last `frame` on.
  std::vector<std::string> SentFromLast(const std::string& frame) const {
    std::vector<std::string> sent;
    for (const std::string& line : LogFromLast(frame))
      if (line.starts_with("RX ")) sent.push_back(line.substr(3));
    return sent;
  }
};

std::vector<std::string> FirstOf(const std::vector<std::string>& lines, std::size_t count) {
  return {lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(count, lines.size()))};
}

QImage LampPicture(const char* file) {
  return QPixmap(QStringLiteral(":/corvane/icons/%1.xpm").arg(QLatin1String(file))).toImage();
}

// The alignment window, opened as "Test 1" opens it: after the radio entered its test state.
struct Alignment {
  explicit Alignment(Bench& bench) {
    if (TestConnect(bench.port, bench.doc) != TestLinkOutcome::Connected) throw std::runtime_error("no test state");
    window = std::make_unique<CTestFunction>(bench.Context());
    window->show();
  }
  template <class T>
  T* Get(int id) const {
    return Control<T>(window.get(), id);
  }
  void Choose(int itemId) const { QTest::mouseClick(Get<QRadioButton>(itemId), Qt::LeftButton, {}, QPoint(4, 4)); }
  void Step(int direction) const {
    for (QToolButton* arrow : Get<CUpDown>(CTestFunction::kSpinId)->findChildren<QToolButton*>())
      if (arrow->arrowType() == (direction > 0 ? Qt::UpArrow : Qt::DownArrow)) QTest::mouseClick(arrow, Qt::LeftButton);
  }
  QString Value() const { return Get<QLineEdit>(CTestFunction::kValueId)->text(); }
  QImage Lamp() const { return Get<QLabel>(CTestFunction::kIndicatorId)->pixmap().toImage(); }
  std::unique_ptr<CTestFunction> window;
};

// Runs `act` on the modal window of type T as soon as it shows (a modal window's exec()
// returns only when it closes).
template <class T, class Act>
void WhenModal(Act act) {
  auto* poll = new QTimer(QApplication::instance());
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget()); window != nullptr && window->isVisible()) {
      poll->deleteLater();
      poll->stop();
      act(window);
    }
  });
  poll->start(10);
}

constexpr int kTune = 1169;     // "L Tune": item 02, point 01, item 03
constexpr int kDcs = 1185;      // item 0C
constexpr int kVoltage = 1188;  // item 01, a reading

}  // namespace

class TestModeTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { bench_ = std::make_unique<Bench>(); }
  void cleanup() { bench_.reset(); }

  void lockedUntilTheAccessCodeAndUnlockedForGood() {
    CTestDlg dialog(bench_->Context());
    dialog.show();
    auto* code = Control<QLineEdit>(&dialog, CTestDlg::kAccessCodeId);
    const QList<int> locked = {CTestDlg::kManualAdjustId, CTestDlg::kTest1Id, CTestDlg::kTest2Id};
    auto enabled = [&] {
      QList<int> on;
      for (int id : locked)
        if (FindControl(&dialog, id)->isEnabled()) on.append(id);
      return on;
    };
    QCOMPARE(code->echoMode(), QLineEdit::Password);
    QCOMPARE(enabled(), QList<int>{});
    QTest::keyClicks(code, QString(kAccessCode).chopped(1));
    QCOMPARE(enabled(), QList<int>{});
    QTest::keyClicks(code, QString(kAccessCode).right(1));
    QCOMPARE(enabled(), locked);
    // A wrong code typed after, or the field emptied, locks nothing again.
    QTest::keyClicks(code, "7");
    for (int k = 0; k < 6; ++k) QTest::keyClick(code, Qt::Key_Backspace);
    QCOMPARE(code->text(), QString());
    QCOMPARE(enabled(), locked);
  }

  void manualAdjustEditsItsBitAtOnce_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("after");
    QTest::newRow("off: ticking clears the bit") << 0xFF << false << 0xEF;
    QTest::newRow("on: unticking sets the bit") << 0x45 << true << 0x55;
  }
  void manualAdjustEditsItsBitAtOnce() {
    QFETCH(int, before);
    QFETCH(bool, ticked);
    QFETCH(int, after);
    CTavroPgmDoc& doc = bench_->doc;
    doc.At(image::kKeyAndVox) = static_cast<std::uint8_t>(before);
    doc.SetModifiedFlag(false);
    CTestDlg dialog(bench_->Context());
    dialog.show();
    QTest::keyClicks(Control<QLineEdit>(&dialog, CTestDlg::kAccessCodeId), kAccessCode);
    auto* box = Control<QCheckBox>(&dialog, CTestDlg::kManualAdjustId);
    QCOMPARE(box->isChecked(), ticked);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(int(doc.At(image::kKeyAndVox)), after);
    QVERIFY(doc.IsModified());
    doc.SetModifiedFlag(false);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(int(doc.At(image::kKeyAndVox)), before);
    QVERIFY(doc.IsModified());
  }

  // "Test 1" connects and runs the alignment window, "Test 2" the calibration table; the
  // test mode window closes with either.
  void eachTestRunsItsWindowAndClosesTestMode_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("testState");  // the radio was put in its test state first
    QTest::newRow("Test 1") << CTestDlg::kTest1Id << "CTestFunction" << true;
    QTest::newRow("Test 2") << CTestDlg::kTest2Id << "CDlgTestRW" << false;
  }
  void eachTestRunsItsWindowAndClosesTestMode() {
    QFETCH(int, button);
    QFETCH(QString, window);
    QFETCH(bool, testState);
    Bench& b = *bench_;
    b.StartRadio();
    CTestDlg dialog(b.Context());
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QTest::keyClicks(Control<QLineEdit>(&dialog, CTestDlg::kAccessCodeId), kAccessCode);
    QString shown;
    bool portOpen = false;
    WhenModal<QDialog>([&](QDialog* modal) {
      shown = QString::fromLatin1(modal->metaObject()->className());
      portOpen = b.port.IsOpen();
      QTest::mouseClick(Control<QPushButton>(modal, CTestFunction::kExitId), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(&dialog, button), Qt::LeftButton);
    QCOMPARE(shown, window);
    QCOMPARE(portOpen, testState);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!b.port.IsOpen());
    QVERIFY(b.messages.Keys().empty());
    const std::vector<std::string> connect = {"50 52 4F 47 52 41 4D", "02", "06", kEnterTest};
    QCOMPARE(FirstOf(b.SentFromLast(connect.front()), 4), testState ? connect : std::vector<std::string>{});
  }

  void failedConnectShowsWhyAndClosesTestMode_data() {
    QTest::addColumn<QString>("radio");  // "none": the port names no device
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("no port") << "none" << "IDS_ERROR_PORTOPEN" << "IDS_COMMUNICATION_ERROR";
    QTest::newRow("no handshake") << "no-handshake" << "IDS_FAILED_CONNECT" << "IDS_COMMUNICATION_ERROR";
    QTest::newRow("another model") << "other-model" << "IDS_ERROR_TYPE" << "IDS_COMMUNICATION_ERROR";
  }
  void failedConnectShowsWhyAndClosesTestMode() {
    QFETCH(QString, radio);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    Bench& b = *bench_;
    if (radio == "none") {
      b.files.WriteSetting("ports", "1", (b.scratch / "no-such-tty").string());
    } else if (radio == "no-handshake") {
      b.StartRadio({"--fault", "no-handshake"});
    } else {
      b.StartRadio({"--model-id", "3730345520564399"});
    }
    CTestDlg dialog(b.Context());
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QTest::keyClicks(Control<QLineEdit>(&dialog, CTestDlg::kAccessCodeId), kAccessCode);
    QTest::mouseClick(Control<QPushButton>(&dialog, CTestDlg::kTest1Id), Qt::LeftButton);
    QCOMPARE(b.messages.Keys(), std::vector<std::string>{text.toStdString()});
    if (radio == "none")  // why the port cannot be opened, rather than the key's general text
      QCOMPARE(b.messages.Shown().at(0).text,
               port_survey::PortProblemText(b.files, (b.scratch / "no-such-tty").string(), ENOENT));
    QCOMPARE(QString::fromStdString(b.messages.Shown().at(0).caption), b.Text(caption.toUtf8().constData()));
    if (b.radio) QVERIFY(b.SentFromLast(kEnterTest).empty());
    QCOMPARE(finished.size(), 1);
    QVERIFY(!b.port.IsOpen());
  }

  // The three frames of "L Tune" go one after the other's acknowledge; an unanswered
  // first frame ends the selection there, and the poll goes on.
  void tuneSendsEachFrameOnlyAfterAnAcknowledge_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("log");
    const std::string tried = "TX 5A 00";  // the stored low tune point the radio starts from
    QTest::newRow("answering radio") << QString() << QStringList{
        ToQString("RX " + ItemFrame("02")), "TX 06", ToQString("RX " + PointFrame("01")), "TX 06",
        ToQString("RX " + ItemFrame("03")), "TX 06", ToQString("RX " + kValueQuery), ToQString(tried)};
    QTest::newRow("silent radio") << "mute-in-test"
                                  << QStringList{ToQString("RX " + ItemFrame("02")), ToQString("RX " + kPing)};
  }
  void tuneSendsEachFrameOnlyAfterAnAcknowledge() {
    QFETCH(QString, fault);
    QFETCH(QStringList, log);
    Bench& b = *bench_;
    b.doc.At(image::kCalibration + 0x07) = 0x5A;
    b.StartRadio(fault.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{"--fault", fault.toStdString()});
    Alignment a(b);
    a.Choose(kTune);
    QTRY_VERIFY_WITH_TIMEOUT(b.LogFromLast(ItemFrame("02")).size() >= static_cast<std::size_t>(log.size()),
                             kRadioTimeoutMs);
    QStringList shown;
    for (const std::string& line : FirstOf(b.LogFromLast(ItemFrame("02")), static_cast<std::size_t>(log.size())))
      shown.append(ToQString(line));
    QCOMPARE(shown, log);
    if (fault.isEmpty()) QTRY_COMPARE(a.Value(), QString("90"));
  }

  // A reading item reads the value at every tick; any other item only pings.
  void pollAsksForTheValueOfReadingsOnly_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("selection");  // the item's frames, then its one value query
    QTest::addColumn<QString>("poll");
    QTest::addColumn<QString>("value");
    QTest::newRow("DCS") << kDcs << ToQString(ItemFrame("0C") + "," + kValueQuery) << ToQString(kPing) << "51";
    QTest::newRow("Voltage") << kVoltage << ToQString(ItemFrame("01")) << ToQString(kValueQuery) << "124";
    QTest::newRow("VOX1") << 1186 << ToQString(ItemFrame("0E")) << ToQString(kValueQuery) << "32";
  }
  void pollAsksForTheValueOfReadingsOnly() {
    QFETCH(int, item);
    QFETCH(QString, selection);
    QFETCH(QString, poll);
    QFETCH(QString, value);
    Bench& b = *bench_;
    b.doc.At(image::kCalibration + 0x19) = 51;  // the DCS level
    b.StartRadio();
    Alignment a(b);
    a.Choose(item);
    const QStringList frames = selection.split(',');
    const std::size_t polls = 3;
    const std::string first = frames.front().toStdString();
    QTRY_VERIFY_WITH_TIMEOUT(b.SentFromLast(first).size() >= frames.size() + polls, kRadioTimeoutMs);
    std::vector<std::string> expected;
    for (const QString& frame : frames) expected.push_back(frame.toStdString());
    expected.insert(expected.end(), polls, poll.toStdString());
    QCOMPARE(FirstOf(b.SentFromLast(first), expected.size()), expected);
    QCOMPARE(a.Value(), value);
    QCOMPARE(a.Get<QSlider>(CTestFunction::kSliderId)->value(), value.toInt());
    QVERIFY(a.window->IndicatorState() != CTestFunction::kNoAnswer);
  }

  // A radio that stops answering: the lamp and the value field say so, the window keeps
  // working meanwhile, and Exit hides it at once while the exchange in progress ends.
  void silentRadioIsShownAndExitClosesAtOnce() {
    Bench& b = *bench_;
    b.StartRadio({"--fault", "mute-in-test"});
    Alignment a(b);
    const QImage answering = a.Lamp();
    QCOMPARE(answering, LampPicture("radio_answering_1"));
    a.Choose(kVoltage);
    test::EventsDuringWait polling;
    QTRY_VERIFY_WITH_TIMEOUT(a.Value() == b.Text("IDS_NONE"), kRadioTimeoutMs);
    QVERIFY(polling.ran);
    QCOMPARE(a.window->IndicatorState(), CTestFunction::kNoAnswer);
    QCOMPARE(a.window->IndicatorIcon(), 149);
    QCOMPARE(a.Lamp(), LampPicture("radio_silent"));

    // Chosen again: once its frame is in the log, the worker waits half a second for the answer.
    auto chosen = [&] {
      const std::vector<std::string> log = b.Log();
      return std::count(log.begin(), log.end(), "RX " + ItemFrame("01"));
    };
    const auto before = chosen();
    a.Choose(kVoltage);
    QTRY_VERIFY_WITH_TIMEOUT(chosen() > before, kRadioTimeoutMs);
    QSignalSpy finished(a.window.get(), &QDialog::finished);
    bool hiddenDuringWait = false;
    test::EventsDuringWait exiting;
    QObject owner;
    QTimer::singleShot(0, &owner, [&] { hiddenDuringWait = !a.window->isVisible(); });
    QTest::mouseClick(a.Get<QPushButton>(CTestFunction::kExitId), Qt::LeftButton);
    QVERIFY(exiting.ran);
    QVERIFY(exiting.busyCursor);
    QVERIFY(hiddenDuringWait);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!b.port.IsOpen());
  }

  // The arrows step by one within 0..255 and send every step, also at the limit; the
  // slider sends its position; Save stores what the radio tries.
  void stepsAndSlidesSendTheirValue_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("how");  // "up", "down" (arrows), "right", "left" (slider keys)
    QTest::addColumn<int>("sent");
    QTest::newRow("255 up stays") << 255 << "up" << 255;
    QTest::newRow("0 down stays") << 0 << "down" << 0;
    QTest::newRow("128 up") << 128 << "up" << 129;
    QTest::newRow("128 down") << 128 << "down" << 127;
    QTest::newRow("slider right") << 128 << "right" << 129;
    QTest::newRow("slider left") << 128 << "left" << 127;
  }
  void stepsAndSlidesSendTheirValue() {
    QFETCH(int, start);
    QFETCH(QString, how);
    QFETCH(int, sent);
    Bench& b = *bench_;
    constexpr std::size_t kDcsByte = image::kCalibration + 0x19;
    b.doc.At(kDcsByte) = static_cast<std::uint8_t>(start);
    b.StartRadio();
    Alignment a(b);
    a.Choose(kDcs);
    QTRY_COMPARE_WITH_TIMEOUT(a.Value(), QString::number(start), kRadioTimeoutMs);
    auto* save = a.Get<QPushButton>(CTestFunction::kSaveId);
    QVERIFY(!save->isEnabled());
    if (how == "up" || how == "down") {
      a.Step(how == "up" ? +1 : -1);
    } else {
      QSlider* slider = a.Get<QSlider>(CTestFunction::kSliderId);
      slider->setFocus();
      QTest::keyClick(slider, how == "right" ? Qt::Key_Right : Qt::Key_Left);
    }
    QCOMPARE(a.Value(), QString::number(sent));
    QCOMPARE(a.Get<QSlider>(CTestFunction::kSliderId)->value(), sent);
    QVERIFY(save->isEnabled());
    const std::string valueFrame = ValueFrame(sent);
    QTRY_VERIFY_WITH_TIMEOUT(!b.SentFromLast(valueFrame).empty(), kRadioTimeoutMs);
    const std::vector<std::string> afterSelection = b.SentFromLast(ItemFrame("0C"));
    QVERIFY(std::find(afterSelection.begin(), afterSelection.end(), valueFrame) != afterSelection.end());
    QTest::mouseClick(save, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!b.SentFromLast(kSaveFrame).empty(), kRadioTimeoutMs);
    QTest::mouseClick(a.Get<QPushButton>(CTestFunction::kExitId), Qt::LeftButton);
    QCOMPARE(static_cast<std::uint8_t>(b.radio->SavedMemory().at(kDcsByte)), static_cast<std::uint8_t>(sent));
  }

  // A Save clicked just before Exit, queued behind values still on their way (each frame
  // takes the radio a dozen milliseconds or more, a silent radio half a second): Exit
  // waits for it with the window in sight, disabled under a busy cursor, and the Save
  // reaches the radio. One the radio does not acknowledge is reported, on Exit or at once.
  void aQueuedSaveIsSentOrItsFailureShown_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("exitAtOnce");
    QTest::newRow("answering radio, Exit at once") << false << true;
    QTest::newRow("silent radio, Exit at once") << true << true;
    QTest::newRow("silent radio, window open") << true << false;
  }
  void aQueuedSaveIsSentOrItsFailureShown() {
    QFETCH(bool, silent);
    QFETCH(bool, exitAtOnce);
    Bench& b = *bench_;
    constexpr std::size_t kDcsByte = image::kCalibration + 0x19;
    b.doc.At(kDcsByte) = 100;
    b.StartRadio(silent ? std::vector<std::string>{"--fault", "mute-in-test"} : std::vector<std::string>{});
    Alignment a(b);
    a.Choose(kDcs);
    if (!silent) QTRY_COMPARE_WITH_TIMEOUT(a.Value(), QString("100"), kRadioTimeoutMs);
    QSignalSpy finished(a.window.get(), &QDialog::finished);
    bool busyWindow = false;
    test::EventsDuringWait waiting;
    QObject owner;
    QTimer::singleShot(0, &owner, [&] { busyWindow = a.window->isVisible() && !a.window->isEnabled(); });
    for (int k = 0; k < 3; ++k) a.Step(+1);
    QTest::mouseClick(a.Get<QPushButton>(CTestFunction::kSaveId), Qt::LeftButton);
    if (exitAtOnce) {
      QTest::mouseClick(a.Get<QPushButton>(CTestFunction::kExitId), Qt::LeftButton);
      // Only the silent radio's wait is sure to outlast the first turn of the event loop.
      if (silent) QVERIFY(waiting.busyCursor && busyWindow);
    } else {
      QTRY_VERIFY_WITH_TIMEOUT(!b.messages.Keys().empty(), kRadioTimeoutMs);
      QVERIFY(a.window->isVisible() && a.window->isEnabled());
      QTest::mouseClick(a.Get<QPushButton>(CTestFunction::kExitId), Qt::LeftButton);
    }
    QCOMPARE(finished.size(), 1);
    QVERIFY(!b.port.IsOpen());
    QCOMPARE(b.messages.Keys(), silent ? std::vector<std::string>{"IDS_TEST_SAVEFAIL"} : std::vector<std::string>{});
    if (silent) QCOMPARE(b.messages.Shown()[0].caption, b.files.GetText("IDS_COMMUNICATION_ERROR"));
    // The values, then the Save, in the order clicked; a silent radio never showed the
    // stored value, so the steps began at 0.
    const int start = silent ? 0 : 100;
    const std::string first = ValueFrame(start + 1);
    QCOMPARE(FirstOf(b.SentFromLast(first), 4),
             (std::vector<std::string>{first, ValueFrame(start + 2), ValueFrame(start + 3), kSaveFrame}));
    QCOMPARE(int(std::uint8_t(b.radio->SavedMemory().at(kDcsByte))), silent ? 100 : 103);
  }

 private:
  std::unique_ptr<Bench> bench_;
};

QTEST_MAIN(TestModeTest)
#include "test_mode_test.moc"
