// The radio password dialog end to end: the real dialog and serial code on a
// pseudo-terminal, corvane-radio-sim as the radio, message boxes and file dialogs
// answered by script.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/tavro_pgm_app.h"
#include "dialogs/dlg_authorization.h"
#include "link/port_survey.h"
#include "link/radio_password.h"
#include "link/serial.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "res/main_resources.h"
#include "tests/gui/gui_test_support.h"
#include "tests/gui/radio_bench.h"
#include "ui/dialog_template.h"
#include "ui/file_dialog.h"
#include "ui/qt_text.h"

namespace {

using Dlg = CDlgAuthorization;

// Password blocks (0x3EA-0x3EF) as the radio holds them: the power permit byte with
// bits of the radio's own, two bytes the radio keeps, the scrambled password.
constexpr const char* kHasPassword123456 = "36 A1 A2 BF 8F 53";
constexpr const char* kNoPassword = "37 A1 A2 FF FF FF";

QString HexText(std::span<const std::uint8_t> bytes) { return ToQString(test::HexText(bytes)); }

struct Bench : test::RadioBench {
  std::vector<FileDialogCall> fileDialogs;
  std::optional<std::filesystem::path> chosenFile;

  Bench() {
    doc.At(image::kPowerPermit) = 0xFF;  // high power permitted: the box starts clear
    doc.SetModifiedFlag(false);
    files.WriteSetting("ports", "1", (scratch / "no-radio-yet").string());
    SetFileDialogAnswerer([this](const FileDialogCall& call) {
      fileDialogs.push_back(call);
      return chosenFile;
    });
  }
  ~Bench() { SetFileDialogAnswerer({}); }

  // The radio on port 1 with `block` at 0x3EA.
  void StartRadio(const std::string& block) {
    std::string memory(image::kSize, '\xFF');
    std::string digits = block;
    std::erase(digits, ' ');
    const std::vector<std::uint8_t> bytes = test::BytesFromHex(digits);
    memory.replace(image::kPowerPermit, bytes.size(), std::string(bytes.begin(), bytes.end()));
    RadioBench::StartRadio({"--image", scratch.Write("radio.bin", memory).string()});
  }
  QString RadioBlock() {
    const std::string memory = radio->SavedMemory();
    return HexText(std::span(reinterpret_cast<const std::uint8_t*>(memory.data()) + image::kPowerPermit, 6));
  }
  std::size_t FramesReceived() {
    radio->Stop();
    std::size_t received = 0;
    for (const test::LogFrame& frame : Frames()) received += frame.received ? 1 : 0;
    return received;
  }
  QString DocumentBlock() const { return HexText(doc.Image().subspan(image::kPowerPermit, 6)); }

  // The one message shown since the last look, as "text|caption|icon".
  QString Shown() {
    if (messages.Shown().size() != 1) return QStringLiteral("messages shown: %1").arg(messages.Shown().size());
    const MessageBoxCall call = messages.Shown().front();
    messages.Clear();
    return ToQString(call.text + "|" + call.caption + "|" + std::to_string(static_cast<int>(call.icon)));
  }
  QString Expected(PasswordOutcome outcome) const {
    const PasswordMessageBox box = PasswordMessage(outcome);
    return ToQString(box.text.Resolve(files) + "|" + box.caption.Resolve(files) + "|" +
                     std::to_string(static_cast<int>(box.icon)));
  }
};

QLineEdit* Edit(const Dlg& dialog, int id) { return Control<QLineEdit>(&dialog, id); }
QCheckBox* LowPower(const Dlg& dialog) { return Control<QCheckBox>(&dialog, Dlg::kLowPowerBox); }
void Click(const Dlg& dialog, int id) { QTest::mouseClick(Control<QPushButton>(&dialog, id), Qt::LeftButton); }
void Enter(Dlg& dialog, int edit, const QString& text) { Edit(dialog, edit)->setText(text); }

}  // namespace

class AuthorizationDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { bench_ = std::make_unique<Bench>(); }
  void cleanup() { bench_.reset(); }

  void programProvesThePasswordThenStoresTheLowPowerChoice_data();
  void programProvesThePasswordThenStoresTheLowPowerChoice();
  void changeStoresTheNewPasswordWithTheRadiosOtherBytes_data();
  void changeStoresTheNewPasswordWithTheRadiosOtherBytes();
  void entriesThatCannotBeSentAreRefusedBeforeThePortIsTouched_data();
  void entriesThatCannotBeSentAreRefusedBeforeThePortIsTouched();
  void aLoadedPasswordFileIsScrambledAsItIs_data();
  void aLoadedPasswordFileIsScrambledAsItIs();
  void savingWritesTheRepeatedNewPassword();
  void theCheckBoxChangesTheImageAtOnce();
  void typingGivesAtMostSixDigits();
  void theKeyboardStaysWithinAGroup();
  void theSetupMenuOpensTheDialogOnTheProgramsDocument();
  void aPortThatCannotBeOpenedIsExplained();

 private:
  std::unique_ptr<Bench> bench_;
};

void AuthorizationDialogTest::programProvesThePasswordThenStoresTheLowPowerChoice_data() {
  QTest::addColumn<QString>("radioBlock");
  QTest::addColumn<QString>("entry");
  QTest::addColumn<bool>("tick");
  QTest::addColumn<bool>("done");
  QTest::addColumn<QString>("radioAfter");
  QTest::newRow("right password") << kHasPassword123456 << "123456" << false << true << "FF A1 A2 BF 8F 53";
  QTest::newRow("wrong password") << kHasPassword123456 << "123457" << false << false << kHasPassword123456;
  QTest::newRow("empty entry, radio without a password") << kNoPassword << "" << false << true << "FF A1 A2 FF FF FF";
  QTest::newRow("empty entry, radio with a password") << kHasPassword123456 << "" << false << false << kHasPassword123456;
  QTest::newRow("low power ticked") << kNoPassword << "" << true << true << "FE A1 A2 FF FF FF";
}

void AuthorizationDialogTest::programProvesThePasswordThenStoresTheLowPowerChoice() {
  QFETCH(QString, radioBlock);
  QFETCH(QString, entry);
  QFETCH(bool, tick);
  QFETCH(bool, done);
  QFETCH(QString, radioAfter);
  Bench& b = *bench_;
  b.StartRadio(radioBlock.toStdString());

  Dlg dialog(b.Context());
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QVERIFY(!LowPower(dialog)->isChecked());
  if (tick) QTest::mouseClick(LowPower(dialog), Qt::LeftButton, {}, QPoint(4, 4));
  Enter(dialog, Dlg::kPasswordEdit, entry);
  Click(dialog, Dlg::kProgramButton);

  QCOMPARE(b.Shown(), b.Expected(done ? PasswordOutcome::Done : PasswordOutcome::PasswordWrong));
  QVERIFY(dialog.isVisible());
  QCOMPARE(finished.size(), 0);
  QCOMPARE(b.imageReplaced, done ? 1 : 0);
  // The radio's bytes and password came into the document either way; the power byte is the box's.
  QCOMPARE(b.DocumentBlock().mid(2), radioBlock.mid(2));
  QCOMPARE(b.DocumentBlock().left(2), QString::fromLatin1(tick ? "FE" : "FF"));
  QCOMPARE(b.port.IsOpen(), !done);  // a failure leaves the port open until the dialog closes
  dialog.reject();
  QVERIFY(!b.port.IsOpen());
  QCOMPARE(b.imageReplaced, done ? 1 : tick ? 1 : 0);  // the pages show the ticked box at the latest now
  QCOMPARE(b.RadioBlock(), radioAfter);
}

void AuthorizationDialogTest::changeStoresTheNewPasswordWithTheRadiosOtherBytes_data() {
  QTest::addColumn<QString>("oldEntry");
  QTest::addColumn<QString>("newEntry");
  QTest::addColumn<int>("outcome");
  QTest::addColumn<QString>("radioAfter");
  QTest::newRow("right old password") << "123456" << "654321" << int(PasswordOutcome::Done) << "36 A1 A2 C8 F8 24";
  QTest::newRow("wrong old password") << "654321" << "000000" << int(PasswordOutcome::OldPasswordWrong)
                                      << kHasPassword123456;
  QTest::newRow("empty new password removes it") << "123456" << "" << int(PasswordOutcome::Done)
                                                 << "36 A1 A2 FF FF FF";
}

void AuthorizationDialogTest::changeStoresTheNewPasswordWithTheRadiosOtherBytes() {
  QFETCH(QString, oldEntry);
  QFETCH(QString, newEntry);
  QFETCH(int, outcome);
  QFETCH(QString, radioAfter);
  Bench& b = *bench_;
  // The radio transmits with low power only; the document would permit high power.
  b.StartRadio(kHasPassword123456);

  Dlg dialog(b.Context());
  dialog.show();
  QVERIFY(!LowPower(dialog)->isChecked());
  Enter(dialog, Dlg::kPasswordEdit, oldEntry);
  Enter(dialog, Dlg::kNewPasswordEdit, newEntry);
  Enter(dialog, Dlg::kAgainEdit, newEntry);
  Click(dialog, Dlg::kChangeButton);

  QCOMPARE(b.Shown(), b.Expected(PasswordOutcome(outcome)));
  // The radio's whole block came in, its low-power bit included, and the box shows it.
  QCOMPARE(b.DocumentBlock().left(8), QString::fromLatin1(kHasPassword123456).left(8));
  QVERIFY(LowPower(dialog)->isChecked());
  QVERIFY(b.doc.IsModified());
  QCOMPARE(b.imageReplaced, 0);
  dialog.reject();
  QVERIFY(!b.port.IsOpen());
  QCOMPARE(b.imageReplaced, 1);
  QCOMPARE(b.RadioBlock(), radioAfter);
}

void AuthorizationDialogTest::entriesThatCannotBeSentAreRefusedBeforeThePortIsTouched_data() {
  QTest::addColumn<QString>("current");
  QTest::addColumn<QString>("newEntry");
  QTest::addColumn<QString>("again");
  QTest::addColumn<int>("button");
  QTest::addColumn<int>("outcome");
  QTest::newRow("five digits, program") << "12345" << "" << "" << Dlg::kProgramButton << int(PasswordOutcome::LengthWrong);
  QTest::newRow("five new digits, change") << "123456" << "12345" << "12345" << Dlg::kChangeButton
                                           << int(PasswordOutcome::LengthWrong);
  QTest::newRow("five new digits, save") << "" << "" << "12345" << Dlg::kSaveButton << int(PasswordOutcome::LengthWrong);
  QTest::newRow("repetition differs") << "123456" << "111111" << "111112" << Dlg::kChangeButton
                                      << int(PasswordOutcome::NotSame);
}

void AuthorizationDialogTest::entriesThatCannotBeSentAreRefusedBeforeThePortIsTouched() {
  QFETCH(QString, current);
  QFETCH(QString, newEntry);
  QFETCH(QString, again);
  QFETCH(int, button);
  QFETCH(int, outcome);
  Bench& b = *bench_;
  b.StartRadio(kHasPassword123456);
  const QString before = b.DocumentBlock();

  Dlg dialog(b.Context());
  dialog.show();
  Enter(dialog, Dlg::kPasswordEdit, current);
  Enter(dialog, Dlg::kNewPasswordEdit, newEntry);
  Enter(dialog, Dlg::kAgainEdit, again);
  Click(dialog, button);

  QCOMPARE(b.Shown(), b.Expected(PasswordOutcome(outcome)));
  QVERIFY(b.fileDialogs.empty());
  QVERIFY(!b.port.IsOpen());
  QCOMPARE(b.DocumentBlock(), before);
  QCOMPARE(b.FramesReceived(), std::size_t{0});
}

void AuthorizationDialogTest::aLoadedPasswordFileIsScrambledAsItIs_data() {
  QTest::addColumn<QString>("content");
  QTest::addColumn<QString>("radioBlock");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<bool>("done");
  const QString stored12A4F6 = QStringLiteral("37 A1 A2 ") + ToQString(ScramblePassword("12A4F6")).insert(4, ' ').insert(2, ' ');
  QTest::newRow("upper-case hex letter") << "12A4F6\r\nsecond line" << stored12A4F6 << "12A4F6" << true;
  QTest::newRow("lower-case letter, radio with a password") << "12a4f6" << stored12A4F6 << "12a4f6" << false;
  QTest::newRow("lower-case letter, radio without a password") << "12a4f6" << kNoPassword << "12a4f6" << true;
  QTest::newRow("seven digits stay seven") << "1234567\n" << kNoPassword << "1234567" << false;
}

void AuthorizationDialogTest::aLoadedPasswordFileIsScrambledAsItIs() {
  QFETCH(QString, content);
  QFETCH(QString, radioBlock);
  QFETCH(QString, shown);
  QFETCH(bool, done);
  Bench& b = *bench_;
  b.StartRadio(radioBlock.toStdString());
  b.chosenFile = b.scratch.Write("password.txt", content.toStdString());

  Dlg dialog(b.Context());
  dialog.show();
  Click(dialog, Dlg::kLoadButton);
  QCOMPARE(b.fileDialogs.size(), std::size_t{1});
  QVERIFY(!b.fileDialogs[0].save);
  QCOMPARE(QString::fromStdString(b.fileDialogs[0].filter), QStringLiteral("Password Files (.txt)|*.txt||"));
  QCOMPARE(Edit(dialog, Dlg::kPasswordEdit)->text(), shown);

  Click(dialog, Dlg::kProgramButton);
  const PasswordOutcome expected = done                       ? PasswordOutcome::Done
                                   : shown.size() == 6 ? PasswordOutcome::PasswordWrong
                                                       : PasswordOutcome::LengthWrong;
  QCOMPARE(b.Shown(), b.Expected(expected));
}

void AuthorizationDialogTest::savingWritesTheRepeatedNewPassword() {
  Bench& b = *bench_;
  b.chosenFile = b.scratch.Write("saved.txt", "999999\r\nold content\r\n");
  Dlg dialog(b.Context());
  dialog.show();
  Enter(dialog, Dlg::kNewPasswordEdit, QStringLiteral("111111"));
  Enter(dialog, Dlg::kAgainEdit, QStringLiteral("654321"));
  Click(dialog, Dlg::kSaveButton);
  QCOMPARE(b.fileDialogs.size(), std::size_t{1});
  QVERIFY(b.fileDialogs[0].save);
  QCOMPARE(QString::fromStdString(b.fileDialogs[0].filter), QString::fromLatin1(Dlg::kPasswordFileFilter));
  QCOMPARE(QString::fromStdString(test::ReadAll(*b.chosenFile)), QStringLiteral("654321"));
  QVERIFY(b.messages.Shown().empty());

  // A file that cannot be read or written is named in an error message.
  b.chosenFile = b.scratch / "no-such-folder" / "p.txt";
  Click(dialog, Dlg::kSaveButton);
  QCOMPARE(b.messages.Keys(), std::vector<std::string>{"IDS_ERROR_SAVEFILE"});
  Click(dialog, Dlg::kLoadButton);
  QCOMPARE(b.messages.Keys(), (std::vector<std::string>{"IDS_ERROR_SAVEFILE", "IDS_ERROR_OPENFILE"}));
  QCOMPARE(b.messages.Shown()[1].icon, PromptIcon::Error);
  QCOMPARE(Edit(dialog, Dlg::kPasswordEdit)->text(), QString());
}

void AuthorizationDialogTest::theCheckBoxChangesTheImageAtOnce() {
  Bench& b = *bench_;
  b.doc.At(image::kPowerPermit) = 0xB6;  // always low power, other bits set
  Dlg dialog(b.Context());
  dialog.show();
  QVERIFY(LowPower(dialog)->isChecked());
  QTest::mouseClick(LowPower(dialog), Qt::LeftButton, {}, QPoint(4, 4));
  QCOMPARE(int(b.doc.At(image::kPowerPermit)), 0xB7);
  QVERIFY(b.doc.IsModified());
  QTest::mouseClick(LowPower(dialog), Qt::LeftButton, {}, QPoint(4, 4));
  QCOMPARE(int(b.doc.At(image::kPowerPermit)), 0xB6);
  QVERIFY(b.messages.Shown().empty());
  // Back as it was: the pages need no reload.
  dialog.reject();
  QCOMPARE(b.imageReplaced, 0);
  QVERIFY(!b.port.IsOpen());
}

void AuthorizationDialogTest::typingGivesAtMostSixDigits() {
  Bench& b = *bench_;
  Dlg dialog(b.Context());
  dialog.show();
  for (int id : {Dlg::kPasswordEdit, Dlg::kNewPasswordEdit, Dlg::kAgainEdit}) {
    QLineEdit* edit = Edit(dialog, id);
    QTest::keyClicks(edit, QStringLiteral("12a-3 456789"));
    QCOMPARE(edit->text(), QStringLiteral("123456"));
  }
  // A loaded text may be anything; it can still be corrected by hand.
  Enter(dialog, Dlg::kPasswordEdit, QStringLiteral("12A4F6"));
  QLineEdit* current = Edit(dialog, Dlg::kPasswordEdit);
  current->setFocus();
  current->end(false);
  QTest::keyClick(current, Qt::Key_Backspace);
  QCOMPARE(current->text(), QStringLiteral("12A4F"));
}

void AuthorizationDialogTest::theKeyboardStaysWithinAGroup() {
  Bench& b = *bench_;
  Dlg dialog(b.Context());
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  QCOMPARE(ControlId(QApplication::focusWidget()), int(Dlg::kPasswordEdit));
  QList<int> order;
  for (int k = 0; k < 9; ++k) {
    order.append(ControlId(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  QCOMPARE(order, (QList<int>{Dlg::kPasswordEdit, Dlg::kLoadButton, Dlg::kLowPowerBox, Dlg::kProgramButton,
                              Dlg::kNewPasswordEdit, Dlg::kAgainEdit, Dlg::kSaveButton, Dlg::kChangeButton, kIdCancel}));

  // Enter in the current password programs with it; in the new password, it changes.
  // Entries that stop before the port show which of the two ran.
  Enter(dialog, Dlg::kPasswordEdit, QStringLiteral("12345"));
  Enter(dialog, Dlg::kNewPasswordEdit, QStringLiteral("111111"));
  QTest::keyClick(Edit(dialog, Dlg::kPasswordEdit), Qt::Key_Return);
  QCOMPARE(b.Shown(), b.Expected(PasswordOutcome::LengthWrong));
  QTest::keyClick(Edit(dialog, Dlg::kNewPasswordEdit), Qt::Key_Enter);
  QCOMPARE(b.Shown(), b.Expected(PasswordOutcome::NotSame));
  QTest::keyClick(Edit(dialog, Dlg::kAgainEdit), Qt::Key_Return);
  QCOMPARE(b.Shown(), b.Expected(PasswordOutcome::NotSame));
  // Enter on the check box presses no button; on a button it presses that one.
  LowPower(dialog)->setFocus();
  QTest::keyClick(LowPower(dialog), Qt::Key_Return);
  QVERIFY(b.messages.Shown().empty());
  QVERIFY(b.fileDialogs.empty());
  QCOMPARE(finished.size(), 0);
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) QVERIFY(!button->isDefault());
  Control<QPushButton>(&dialog, Dlg::kLoadButton)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QCOMPARE(b.fileDialogs.size(), std::size_t{1});
  // Esc closes.
  QTest::keyClick(Edit(dialog, Dlg::kAgainEdit), Qt::Key_Escape);
  QCOMPARE(finished.size(), 1);
  QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
}

void AuthorizationDialogTest::aPortThatCannotBeOpenedIsExplained() {
  Bench& b = *bench_;  // port 1 names a device that is not there, and there is no search
  Dlg dialog(b.Context());
  dialog.show();
  Click(dialog, Dlg::kProgramButton);
  const std::string why = port_survey::PortProblemText(b.files, (b.scratch / "no-radio-yet").string(), ENOENT);
  QCOMPARE(b.Shown(), ToQString(why + "|" + b.files.GetText("IDS_ERROR") + "|" + std::to_string(static_cast<int>(PromptIcon::Error))));
  QVERIFY(dialog.isVisible());
}

void AuthorizationDialogTest::theSetupMenuOpensTheDialogOnTheProgramsDocument() {
  Bench& b = *bench_;
  const QTemporaryDir userSettings;
  test::UseProgramDirectory(b.home.Path(), userSettings.path());
  const std::unique_ptr<CTavroPgmApp> app = CTavroPgmApp::InitInstance({QStringLiteral("corvane")});
  QVERIFY(app);
  QAction* action = app->MainFrame().Action(command::kRadioPassword);
  QVERIFY(action && action->isEnabled());
  app->Document().At(image::kPowerPermit) = 0xFF;
  bool opened = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<Dlg*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    opened = true;
    QCOMPARE(dialog->windowTitle(), ToQString(*app->Files().ResourceText(dialog_id::kAuthorization)));
    QTest::mouseClick(LowPower(*dialog), Qt::LeftButton, {}, QPoint(4, 4));
    dialog->reject();
  });
  action->trigger();
  QVERIFY(opened);
  QVERIFY(!app->Document().IsHighPowerPermitted());
  app->Document().SetModifiedFlag(false);
}

QTEST_MAIN(AuthorizationDialogTest)
#include "authorization_dialog_test.moc"
