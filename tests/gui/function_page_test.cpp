// The function page as a user meets it: lists picked, boxes clicked, the long-press
// duration stepped, the emergency ID and the message typed, the keyboard path through
// the page, and the speech language that decides which voice package a write sends.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "dialogs/wr_dlg.h"
#include "link/voice_package.h"
#include "pages/dlg_func.h"
#include "pages/tavro_pgm_view.h"
#include "radio/document.h"
#include "radio/function_page.h"
#include "radio/image_map.h"
#include "res/main_resources.h"
#include "settings/profile.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/page_bench.h"
#include "ui/dialog_template.h"
#include "ui/entry_controls.h"
#include "ui/up_down.h"

namespace {

namespace id = function_page::id;

using test::Press;
using test::Type;

}  // namespace

class FunctionPageTest : public test::PageTest<CDlgFunc, CMyTab> {
  Q_OBJECT

 private:
  void Use(int channel) { PageTest::Use({channel}); }
  // A list entry chosen in the open list with Return, the list having the focus.
  void Choose(int listId, int index) {
    Get<QComboBox>(listId)->setFocus();
    ChooseInOpenList(listId, index);
  }
  void Click(int boxId) { QTest::mouseClick(Get<QCheckBox>(boxId), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4)); }
  void ClickArrow(int direction) { PageTest::ClickArrow(id::kLongPressUpDown, direction); }

 private slots:
  void init() {
    // The emergency settings available.
    Start(QStringLiteral("function"), [](CTavroPgmDoc& doc) { doc.At(image::kLongKeyFunction) = 7; });
  }
  void cleanup() { s_.reset(); }

  void userChangesStoreTheirBytes_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("how");  // pick (index), click, arrow (+1/-1), key (in the duration field)
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("shown");  // by the control ("1" ticked), or the duration field
    // Data rows come before init(): the shipped language file gives the texts.
    const AppFiles shipped(test::SourceDataDir(), "lang_en");
    auto option = [&](const char* section, int index) {
      return QString::fromStdString(shipped.OptionText(section, index));
    };
    auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
    const int longPress = id::kLongPressDuration;
    row("squelch 7") << id::kSquelchLevel << "pick" << 7 << int(image::kSquelchLevel) << 3 << 7 << "7";
    row("time-out off") << id::kTimeOutTimer << "pick" << 0 << int(image::kTimeOutTimer) << 6 << 0
                        << QString::fromStdString(shipped.GetText("IDS_OFF"));
    row("time-out 300 s") << id::kTimeOutTimer << "pick" << 10 << int(image::kTimeOutTimer) << 6 << 10 << "300";
    row("short key first from 3") << id::kShortKey << "pick" << 0 << int(image::kShortKeyFunction) << 3 << 0
                                  << option("SHORTKEYFUNC", 0);
    row("short key 2 stores 4") << id::kShortKey << "pick" << 2 << int(image::kShortKeyFunction) << 0 << 4
                                << option("SHORTKEYFUNC", 2);
    row("short key 4 stores 6") << id::kShortKey << "pick" << 4 << int(image::kShortKeyFunction) << 0 << 6
                                << option("SHORTKEYFUNC", 4);
    row("long key 8") << id::kLongKey << "pick" << 8 << int(image::kLongKeyFunction) << 7 << 8
                      << option("LONGKEYFUNC", 8);
    row("programme key 1") << id::kProgrammableKeyMode << "pick" << 1 << int(image::kKeyAndVox) << 0xF0 << 0xF1
                           << option("PROGRAMMEKEY", 1);
    row("tail reversal 1") << id::kTailReversal << "pick" << 1 << int(image::kOptions) << 0x08 << 0x04
                           << option("TAILREVERSAL", 1);
    row("emergency channel none") << id::kEmergencyChannel << "pick" << 0 << int(image::kEmergencyChannel) << 2
                                  << 0xFF << QString::fromStdString(shipped.GetText("IDS_SELCH"));
    row("emergency channel 2") << id::kEmergencyChannel << "pick" << 2 << int(image::kEmergencyChannel) << 0xFF << 2
                               << QString::fromStdString(shipped.FaceText("IDS_COL0")) + " 2";
    row("roger tone ticked") << id::kRogerTone << "click" << 0 << int(image::kOptions) << 0xFF << 0x7F << "1";
    row("wired clone unticked") << id::kWiredCloneMode << "click" << 0 << int(image::kKeyAndVox) << 0x00 << 0x04
                                << "0";
    row("announce channel") << id::kAnnounceChannel << "click" << 0 << int(image::kOptions) << 0x00 << 0x20 << "1";
    row("battery low notice") << id::kBatteryLowNotice << "click" << 0 << int(image::kScanAndPttId) << 0xFF << 0xDF
                              << "0";
    row("send ENI") << id::kSendEni << "click" << 0 << int(image::kAlarm) << 0x00 << 0x02 << "1";
    row("long press from 5 (shown 2.0)") << longPress << "arrow" << +1 << int(image::kLongPressDuration) << 5 << 105
                                         << "2.1";
    row("long press down") << longPress << "key" << int(Qt::Key_Down) << int(image::kLongPressDuration) << 100 << 95
                           << "1.9";
    row("long press stops at 5.0") << longPress << "key" << int(Qt::Key_PageUp) << int(image::kLongPressDuration)
                                   << 250 << 250 << "5.0";
  }
  void userChangesStoreTheirBytes() {
    QFETCH(int, control);
    QFETCH(QString, how);
    QFETCH(int, value);
    QFETCH(int, offset);
    QFETCH(int, before);
    QFETCH(int, after);
    Use(2);
    Doc().At(static_cast<std::size_t>(offset)) = static_cast<std::uint8_t>(before);
    Reload();

    if (how == QStringLiteral("pick")) {
      Choose(control, value);
    } else if (how == QStringLiteral("click")) {
      Click(control);
    } else if (how == QStringLiteral("arrow")) {
      ClickArrow(value);
    } else {
      Get<CUpDown>(id::kLongPressUpDown)->Buddy()->setFocus();
      Press(Qt::Key(value));
    }
    QCOMPARE(int(Doc().At(static_cast<std::size_t>(offset))), after);
    const auto* box = Get<QCheckBox>(control);
    QTEST(box != nullptr ? QString::number(int(box->isChecked())) : Shown(control), "shown");
    // A step stopped at its limit changes nothing.
    QCOMPARE(Doc().IsModified(), how != QStringLiteral("key") || after != before);
  }

  void freeEmergencyChannelIsRefused() {
    Use(2);
    Doc().At(image::kEmergencyChannel) = 2;
    Reload();
    test::ScriptedMessageBoxes boxes;
    Choose(id::kEmergencyChannel, 5);
    QCOMPARE(boxes.Shown().size(), std::size_t{1});
    const MessageBoxCall& call = boxes.Shown().front();
    QCOMPARE(call.textKey, std::string("IDS_ERROR_CH"));
    QCOMPARE(call.caption, s_->files.GetText("IDS_ERROR"));
    QVERIFY(call.icon == PromptIcon::Error && call.buttons == PromptButtons::Ok);
    QCOMPARE(Get<QComboBox>(id::kEmergencyChannel)->currentIndex(), 2);
    QCOMPARE(Doc().At(image::kEmergencyChannel), 2);
    QVERIFY(!Doc().IsModified());
  }

  void substitutesShowWithoutChangingTheImage() {
    for (const int code : {1, 3}) {
      Doc().At(image::kShortKeyFunction) = static_cast<std::uint8_t>(code);
      Doc().At(image::kTimeOutTimer) = 11;
      Doc().At(image::kLongPressDuration) = 5;
      Reload();
      QCOMPARE(Shown(id::kShortKey), Option("SHORTKEYFUNC", 0));
      QCOMPARE(Shown(id::kTimeOutTimer), QString::fromStdString(s_->files.GetText("IDS_OFF")));
      QCOMPARE(Shown(id::kLongPressDuration), QStringLiteral("2.0"));
      QCOMPARE(Bytes(image::kShortKeyFunction, 1), QByteArray(1, char(code)));
      QCOMPARE(Doc().At(image::kTimeOutTimer), 11);
      QCOMPARE(Doc().At(image::kLongPressDuration), 5);
      QVERIFY(!Doc().IsModified());
    }
  }

  void enablingFollowsKeyModeLongKeyAndLocalAlarm() {
    const QList<int> press{id::kShortKey,      id::kLongKey,           id::kShortKeyLabel,  id::kLongKeyLabel,
                           id::kLongPressLabel, id::kLongPressDuration, id::kLongPressUpDown};
    const QList<int> normal{id::kNormalKey, id::kNormalKeyLabel};
    const QList<int> emergency{id::kEmergencyGroup,   id::kEmergencyChannelLabel, id::kEmergencyChannel,
                               id::kEmergencyIdLabel, id::kEmergencyId,           id::kSendEni,
                               id::kLocalAlarm,       id::kSendAlarmTone,         id::kSendBackgroundNoise};
    Doc().At(image::kAlarm) = 0xF0;
    Reload();
    QCOMPARE(DisabledOf(press + normal + emergency), normal);
    Choose(id::kProgrammableKeyMode, 1);
    QCOMPARE(DisabledOf(press + normal + emergency), press);
    Choose(id::kProgrammableKeyMode, 0);

    // Another long key function disables the emergency settings and keeps their bits.
    Doc().At(image::kAlarm) = 0xF6;  // send ENI and background noise ticked
    Reload();
    Choose(id::kLongKey, 3);
    QCOMPARE(DisabledOf(emergency), emergency);
    QCOMPARE(Doc().At(image::kAlarm), 0xF6);
    QVERIFY(Get<QCheckBox>(id::kSendBackgroundNoise)->isChecked());
    Choose(id::kLongKey, 7);
    QCOMPARE(DisabledOf(emergency), QList<int>{});

    // A local alarm unticks and disables the background noise; unticked, it enables it again.
    Click(id::kLocalAlarm);
    QCOMPARE(Doc().At(image::kAlarm), 0xF3);
    QVERIFY(!Get<QCheckBox>(id::kSendBackgroundNoise)->isChecked());
    QCOMPARE(DisabledOf(emergency), QList<int>{id::kSendBackgroundNoise});
    Click(id::kLocalAlarm);
    QCOMPARE(Doc().At(image::kAlarm), 0xF2);
    QCOMPARE(DisabledOf(emergency), QList<int>{});
    QVERIFY(Doc().IsModified());
  }

  void emergencyIdIsStoredWhenTheUserLeavesIt() {
    auto* edit = Get<CDTMFEdit>(id::kEmergencyId);
    edit->setFocus();
    Type(QStringLiteral("12ab*"));
    QCOMPARE(edit->text(), QStringLiteral("12AB*"));
    Press(Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
    QCOMPARE(Bytes(image::kEmergencyId, 16), QByteArray::fromHex("01020A0B0EFFFFFFFFFFFFFFFFFFFFFF"));
    QVERIFY(Doc().IsModified());

    // Leaving it unchanged changes nothing; Return stores.
    Doc().SetModifiedFlag(false);
    edit->setFocus();
    Press(Qt::Key_Tab);
    QVERIFY(!Doc().IsModified());
    edit->setFocus();
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Return);
    QCOMPARE(Bytes(image::kEmergencyId, 5), QByteArray::fromHex("01020A0BFF"));

    // An arrow clicked while typing (the arrows take no focus) keeps the typed text; a tab
    // switch stores it.
    Type(QStringLiteral("9#"));
    ClickArrow(+1);
    QCOMPARE(edit->text(), QStringLiteral("12AB9#"));
    s_->host.setCurrentIndex(1);
    QCOMPARE(Bytes(image::kEmergencyId, 7), QByteArray::fromHex("01020A0B090FFF"));
  }

  void messageKeepsToSixtyBytesAndStoresLineBreaksAsCrLf() {
    auto* edit = Get<CMessageEdit>(id::kMessage);
    edit->setFocus();
    Type(QStringLiteral("AB"));
    Press(Qt::Key_Return);
    Type(QStringLiteral("C"));
    Press(Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
    QCOMPARE(Bytes(image::kMessage, 6), QByteArray::fromHex("41420D0A4300"));
    QVERIFY(Doc().IsModified());

    // The 61st byte is refused, a Return's two bytes too; the cursor stays at the end.
    edit->setFocus();
    edit->selectAll();
    Type(QString(59, u'x'));
    Press(Qt::Key_Return);
    Type(QStringLiteral("yz"));
    QCOMPARE(edit->toPlainText(), QString(59, u'x') + u'y');
    Press(Qt::Key_Backspace);
    QCOMPARE(edit->toPlainText(), QString(59, u'x'));
    s_->host.setCurrentIndex(1);  // a tab switch stores it
    QCOMPARE(Bytes(image::kMessage, 60), QByteArray(59, 'x') + QByteArray(1, '\0'));
  }

  // The message shows every byte as one character of its code page, so that passing
  // through the edit, editing another field or editing one character leaves every other
  // byte as it was: 8-bit bytes, control bytes, a CR or LF alone, a no-break space.
  void messageKeepsTheBytesTheUserDoesNotEdit_data() {
    QTest::addColumn<QByteArray>("message");
    auto range = [](int first, int last) {
      QByteArray bytes;
      for (int byte = first; byte <= last; ++byte) bytes.append(static_cast<char>(byte));
      return bytes;
    };
    QTest::newRow("01-3B") << range(0x01, 0x3B);
    QTest::newRow("3C-77") << range(0x3C, 0x77);
    QTest::newRow("78-B3") << range(0x78, 0xB3);
    QTest::newRow("B4-EF") << range(0xB4, 0xEF);
    QTest::newRow("F0-FF, odd line ends") << range(0xF0, 0xFF) + QByteArray("\r\r\n\n\r\nA\n\r\xA0\r");
  }
  void messageKeepsTheBytesTheUserDoesNotEdit() {
    QFETCH(QByteArray, message);
    // The message, its end, and bytes after the end that the radio holds as they are.
    QByteArray region = message + QByteArray(1, '\0');
    region += QByteArray(image::kMessageSize - 1 - region.size(), '\x55') + QByteArray(1, '\0');
    std::copy(region.begin(), region.end(), &Doc().At(image::kMessage));
    Reload();
    auto* edit = Get<CMessageEdit>(id::kMessage);

    edit->setFocus();
    Press(Qt::Key_End, Qt::ControlModifier);
    Press(Qt::Key_Tab);
    Click(id::kLocalAlarm);
    QCOMPARE(Bytes(image::kMessage, image::kMessageSize), region);

    // One character replaced: only its byte changes.
    edit->setFocus();
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    Type(QStringLiteral("Z"));
    Press(Qt::Key_Tab);
    region[2] = 'Z';
    QCOMPARE(Bytes(image::kMessage, image::kMessageSize), region);
  }

  // What the code page cannot hold is refused, typed, pasted or committed by an input method.
  void messageRefusesCharactersOutsideItsCodePage() {
    auto* edit = Get<CMessageEdit>(id::kMessage);
    edit->setFocus();
    // Key presses carrying characters that no key of the test's keyboard has.
    const auto typeCharacters = [edit](const QString& text) {
      for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
      }
    };
    typeCharacters(QStringLiteral("d\u00E9j\u00E0"));
    QCOMPARE(edit->MessageText(), QStringLiteral("d\u00E9j\u00E0"));
    typeCharacters(QStringLiteral("\u20AC"));  // the euro sign: in Windows-1252, not in the radio's code page
    edit->insertPlainText(QStringLiteral("\u4E2D\u6587"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\uFF11\uFF12"));  // full-width digits
    QApplication::sendEvent(edit, &commit);
    QCOMPARE(edit->MessageText(), QStringLiteral("d\u00E9j\u00E0"));
    Type(QStringLiteral("!"));
    Press(Qt::Key_Tab);
    QCOMPARE(Bytes(image::kMessage, 6), QByteArray("d\xE9j\xE0!\0", 6));
  }

  void aFullMessageFromTheRadioShowsItsFirst63Bytes() {
    std::fill_n(&Doc().At(image::kMessage), image::kMessageSize, std::uint8_t{'m'});
    Reload();
    auto* edit = Get<CMessageEdit>(id::kMessage);
    QCOMPARE(edit->toPlainText(), QString(63, u'm'));
    QCOMPARE(Doc().At(image::kMessage + 63), 0);

    // Typing more is refused, and leaving changes nothing; shortening stores 60 bytes.
    edit->setFocus();
    Press(Qt::Key_End, Qt::ControlModifier);
    Type(QStringLiteral("n"));
    Press(Qt::Key_Tab);
    QCOMPARE(edit->toPlainText(), QString(63, u'm'));
    QCOMPARE(Bytes(image::kMessage, 64), QByteArray(63, 'm') + QByteArray(1, '\0'));
    QVERIFY(!Doc().IsModified());
    edit->setFocus();
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Tab);
    QCOMPARE(Bytes(image::kMessage, 61), QByteArray(60, 'm') + QByteArray(1, '\0'));
    QCOMPARE(edit->toPlainText(), QString(60, u'm'));
    QVERIFY(Doc().IsModified());
  }

  // Tab visits every enabled control that takes input, in the order of the template, and
  // leaves the page at the end; a page switch from a list changes nothing on it.
  void keyboardReachesEveryControlInTemplateOrder() {
    QList<int> expected;
    for (const ControlTemplate& entry : FindDialogTemplate(dialog_id::kFunctionPage)->controls) {
      QWidget* control = Page().ControlById(entry.id);
      if (control->isEnabled() && control->focusPolicy() & Qt::TabFocus) expected.append(entry.id);
    }
    QVERIFY(expected.contains(id::kMessage) && expected.contains(id::kLongPressDuration));
    Get<QComboBox>(id::kSpeechLanguage)->setFocus();
    QList<int> visited;
    for (QWidget* focus = QApplication::focusWidget(); Page().isAncestorOf(focus) && visited.size() < 60;
         focus = QApplication::focusWidget()) {
      visited.append(ControlId(focus));
      Press(Qt::Key_Tab);
    }
    QCOMPARE(visited, expected);

    Get<QComboBox>(id::kSquelchLevel)->setFocus();
    Press(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(s_->host.currentIndex(), 1);
    QVERIFY(!Doc().IsModified());
  }

  // The write sends the voice package the speech language names: first the one the
  // opened file names, then the one the user picked on the page.
  void writeSendsTheChosenVoicePackage() {
    cleanup();
    test::ProgramDir dir;
    QTemporaryDir settingsHome;
    test::UseProgramDirectory(dir.Path(), settingsHome.path());
    // Packages whose voice data fills the same blocks with different bytes.
    const auto package = [&](const std::string& file, const std::string& name, char idByte, char fill) {
      std::string content(CVoicePackage::kFileSize, '\xFF');
      std::fill_n(content.begin() + CVoicePackage::kVoiceData, 0x1000, fill);
      content.replace(CVoicePackage::kFirstName, name.size() + 1, name + '\0');
      content.replace(CVoicePackage::kIdentifier, 16, std::string(15, '\0') + idByte);
      dir.Write(file, content);
      return content.substr(CVoicePackage::kVoiceData);
    };
    const std::string english = package("a.enc", "English", 1, 'e');
    const std::string chinese = package("b.enc", "Chinese", 2, 'c');
    QVERIFY(profile::WriteString(dir / "setting.ini", "setup", "com", "1"));
    QVERIFY(profile::WriteString(dir / "setting.ini", "setup", "autocom", "0"));
    const std::filesystem::path file = dir / "chinese.vxp";
    {
      const AppFiles files = dir.Files();
      test::ScriptedPrompter prompter;
      CTavroPgmDoc doc(files);
      test::NewDocument(doc, prompter);
      std::fill(doc.VoiceId().begin(), doc.VoiceId().end(), 0);
      doc.VoiceId()[15] = 2;
      FileError error;
      QVERIFY(doc.OnSaveDocument(file, error));
    }

    test::ScriptedMessageBoxes boxes;
    auto app = CTavroPgmApp::InitInstance({QStringLiteral("corvane"), QString::fromStdString(file.string())});
    QVERIFY(app);
    CMainFrame& frame = app->MainFrame();
    frame.show();
    QApplication::setActiveWindow(&frame);
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.View().Tabs().setCurrentIndex(1);
    auto* languages = frame.View().Page(1)->ControlAs<QComboBox>(id::kSpeechLanguage);
    QCOMPARE(languages->currentText(), QStringLiteral("Chinese"));

    // Writes to a radio that starts with `memory` (none: all FF); gives its voice area after.
    const auto write = [&](const std::string& memory) -> std::string {
      test::TempDir radioDir;
      std::vector<std::string> options{"--band", "0000004700000040"};
      if (!memory.empty()) options = {"--image", radioDir.Write("memory.bin", memory).string()};
      test::RecordingRadio radio(radioDir.Path(), options);
      if (!profile::WriteString(dir / "setting.ini", "ports", "1", radio.PtyPath())) return {};
      QTimer::singleShot(0, this, [] {
        if (auto* dialog = qobject_cast<CWRDlg*>(QApplication::activeModalWidget())) dialog->OnOK();
      });
      frame.OnCommand(command::kProgramWrite);  // modal until the transfer has ended
      return radio.SavedMemory();
    };
    const std::string first = write({});
    QCOMPARE(first.size(), std::size_t{CVoicePackage::kFileSize});
    QVERIFY2(first.substr(CVoicePackage::kVoiceData) == chinese, "the radio lacks the Chinese voice data");

    languages->setFocus();
    languages->showPopup();
    languages->view()->setCurrentIndex(languages->model()->index(0, 0));
    QTest::keyClick(languages->view(), Qt::Key_Return);
    QCOMPARE(app->Document().VoiceId()[15], 1);
    QCOMPARE(app->Document().At(image::kOptions) & image::options::kSpeechLanguage, 0);
    QVERIFY(app->Document().IsModified());
    const std::string second = write(first);
    QVERIFY2(second.substr(CVoicePackage::kVoiceData) == english, "the radio lacks the English voice data");
    QCOMPARE(boxes.Keys(), std::vector<std::string>{});
    app->Document().SetModifiedFlag(false);
  }
};

QTEST_MAIN(FunctionPageTest)
#include "function_page_test.moc"
