// The radio password: scrambling, the two exchanges against a scripted radio on a
// pseudo-terminal (the real CSerial on the slave side), and the password files.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "link/radio_password.h"
#include "link/serial.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "settings/profile.h"
#include "tests/unit/scripted_radio.h"
#include "tests/unit/test_support.h"

namespace {

using test::Bytes;
using test::Memory;

using test::RadioScript;
using test::ScriptedRadio;
using test::Wire;

// "50 52 4F ..." of a text, for the expected bytes on the wire.
std::string Ascii(std::string_view text) {
  return test::HexText(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
// The requests every exchange starts with: handshake, identification, acknowledge,
// the read of the 16 bytes ending with the password block, acknowledge.
const std::string kOpening = Wire({Ascii("PROGRAM"), "02", "06", "52 03 E0 10", "06"});

class RadioPasswordTest : public test::RadioOnPtyTest {
 protected:
  void SetRadioBlock(std::initializer_list<std::uint8_t> block) {
    std::copy(block.begin(), block.end(), radio_.begin() + image::kPowerPermit);
  }
  std::string DocumentBlock() const {
    return test::HexText(doc_.Image().subspan(image::kPowerPermit, 6));
  }
  std::string RadioBlock(const ScriptedRadio& radio) const {
    return test::HexText(std::span(radio.MemoryNow()).subspan(image::kPowerPermit, 6));
  }
};

TEST(RadioPasswordScramble, MapsSixHexDigitsAndGivesNoPasswordForAnythingElse) {
  const struct {
    const char* entered;
    const char* stored;
  } cases[] = {
      {"000000", "ADBB05"}, {"123456", "BF8F53"}, {"999999", "34229C"}, {"654321", "C8F824"},
      {"12A4F6", "BF1FF3"},  // upper-case A-F (from a password file) scramble like digits
      {"FFFFFF", "5244FA"},
      {"", "FFFFFF"},        {"12345", "FFFFFF"},  {"1234567", "FFFFFF"},
      {"12a456", "FFFFFF"},  {"12 456", "FFFFFF"}, {"-12345", "FFFFFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScramblePassword(c.entered), c.stored) << c.entered;
    EXPECT_EQ(ScramblePassword(c.entered), c.stored) << c.entered << " (second call)";
  }
}

TEST(RadioPasswordScramble, NoDigitPasswordIsStoredAsNoPassword) {
  // The scrambling is the entry XOR a fixed key stream, so exactly one entry maps to
  // FF FF FF; it must not be one a user can type into the digit-only edits.
  const unsigned stream = std::stoul(ScramblePassword("000000"), nullptr, 16);
  char clash[8];
  std::snprintf(clash, sizeof clash, "%06X", stream ^ 0xFFFFFFu);
  EXPECT_EQ(ScramblePassword(clash), "FFFFFF");
  EXPECT_NE(std::string(clash).find_first_not_of("0123456789"), std::string::npos) << clash;
}

TEST_F(RadioPasswordTest, ProgramChecksThePasswordThenStoresTheBlock) {
  const struct {
    const char* entered;
    std::uint8_t password[3];
    bool lowPower;
    PasswordOutcome outcome;
  } cases[] = {
      {"", {0xFF, 0xFF, 0xFF}, false, PasswordOutcome::Done},        // no password on the radio
      {"12a456", {0xFF, 0xFF, 0xFF}, false, PasswordOutcome::Done},  // malformed entry: only "no password"
      {"123456", {0xBF, 0x8F, 0x53}, true, PasswordOutcome::Done},
      {"123457", {0xBF, 0x8F, 0x53}, true, PasswordOutcome::PasswordWrong},
      {"", {0xBF, 0x8F, 0x53}, false, PasswordOutcome::PasswordWrong},
      {"123456", {0xFF, 0xFF, 0xFF}, false, PasswordOutcome::PasswordWrong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entered);
    // The radio's power permit bit is set; the user's choice is in the document.
    SetRadioBlock({0x01, 0xA1, 0xA2, c.password[0], c.password[1], c.password[2]});
    for (std::size_t k = 0; k < 6; ++k) doc_.At(image::kPowerPermit + k) = 0x5A;
    doc_.At(image::kPowerPermit) = c.lowPower ? 0xFE : 0xFF;
    doc_.SetModifiedFlag(false);
    ScriptedRadio radio(master_, {}, radio_);

    EXPECT_EQ(ProgramWithPassword(port_, doc_, c.entered), c.outcome);
    radio.Finish();
    // The radio's own bytes and password reach the document; the power choice stays.
    const std::string block = test::HexText(std::span(c.password));
    const std::string sent = Wire({c.lowPower ? "FE" : "FF", "A1 A2", block});
    EXPECT_EQ(DocumentBlock(), sent);
    EXPECT_TRUE(doc_.IsModified());
    if (c.outcome == PasswordOutcome::Done) {
      EXPECT_EQ(radio.Received(), Wire({kOpening, "4B 00 00 08 00 FF", sent}));
      EXPECT_EQ(RadioBlock(radio), sent);
      EXPECT_FALSE(port_.IsOpen());
    } else {
      EXPECT_EQ(radio.Received(), kOpening);  // nothing is stored
      EXPECT_TRUE(port_.IsOpen());
    }
    port_.Close();
  }
}

TEST_F(RadioPasswordTest, ChangeStoresTheNewPasswordWithTheRadiosOtherBytes) {
  const struct {
    const char* oldEntered;
    const char* newEntered;
    PasswordOutcome outcome;
    const char* stored;
  } cases[] = {
      {"123456", "", PasswordOutcome::Done, "FF FF FF"},  // an empty password removes it
      {"123456", "654321", PasswordOutcome::Done, "C8 F8 24"},
      {"654321", "000000", PasswordOutcome::OldPasswordWrong, "BF 8F 53"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.newEntered);
    SetRadioBlock({0xFE, 0xA1, 0xA2, 0xBF, 0x8F, 0x53});
    for (std::size_t k = 0; k < 6; ++k) doc_.At(image::kPowerPermit + k) = 0x5A;
    ScriptedRadio radio(master_, {}, radio_);

    EXPECT_EQ(ChangePassword(port_, doc_, c.oldEntered, c.newEntered, c.newEntered), c.outcome);
    radio.Finish();
    const std::string block = Wire({"FE A1 A2", c.stored});
    EXPECT_EQ(DocumentBlock(), block);
    if (c.outcome == PasswordOutcome::Done) {
      EXPECT_EQ(radio.Received(), Wire({kOpening, "4B 00 00 08 00 FF", block}));
      EXPECT_EQ(RadioBlock(radio), block);
    } else {
      EXPECT_EQ(radio.Received(), kOpening);
    }
    port_.Close();
  }
}

TEST_F(RadioPasswordTest, LowPowerChoiceGoesBackWithTheRadiosOwnBlock) {
  // The document holds nothing of the radio (a command line run): every other bit and
  // byte of the stored block must be the radio's.
  const struct {
    const char* entered;
    std::uint8_t powerByte;
    bool lowPower;
    PasswordOutcome outcome;
    const char* block;  // the document's block afterwards, and the radio's on Done
  } cases[] = {
      {"123456", 0xB7, true, PasswordOutcome::Done, "B6 A1 A2 BF 8F 53"},
      {"123456", 0x36, false, PasswordOutcome::Done, "37 A1 A2 BF 8F 53"},
      {"123456", 0x37, false, PasswordOutcome::Done, "37 A1 A2 BF 8F 53"},
      {"654321", 0xB7, true, PasswordOutcome::PasswordWrong, "B6 A1 A2 BF 8F 53"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.entered) + (c.lowPower ? " low" : " high"));
    SetRadioBlock({c.powerByte, 0xA1, 0xA2, 0xBF, 0x8F, 0x53});
    for (std::size_t k = 0; k < 6; ++k) doc_.At(image::kPowerPermit + k) = 0xFF;
    ScriptedRadio radio(master_, {}, radio_);
    EXPECT_EQ(ProgramLowPower(port_, doc_, c.entered, c.lowPower), c.outcome);
    radio.Finish();
    EXPECT_EQ(DocumentBlock(), c.block);
    if (c.outcome == PasswordOutcome::Done) {
      EXPECT_EQ(radio.Received(), Wire({kOpening, "4B 00 00 08 00 FF", c.block}));
    } else {
      EXPECT_EQ(radio.Received(), kOpening);
      EXPECT_EQ(RadioBlock(radio), Wire({test::HexText(std::span(&c.powerByte, 1)), "A1 A2 BF 8F 53"}));
    }
    port_.Close();
  }
}

TEST_F(RadioPasswordTest, ThePortChoiceOfTheCommandLineComesBeforeTheSettings) {
  const auto settings = files_.SettingsPath();
  const struct {
    const char* name;
    PasswordLink choice;
    PasswordOutcome outcome;
    int comAfter;
  } cases[] = {
      // "com" names a missing device; the given port holds the radio.
      {"given port", PasswordLink{2, true}, PasswordOutcome::Done, 1},
      // No search although "autocom" allows it: the radio on port 2 is never asked, and the
      // missing device of "com" is the failure.
      {"no search", PasswordLink{0, false}, PasswordOutcome::PortOpenFailed, 1},
      {"search", PasswordLink{0, true}, PasswordOutcome::Done, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSettings("[ports]\n1=/dev/corvane-no-such-device\n2=" + slavePath_ + "\n[setup]\ncom=1\nautocom=1\n");
    SetRadioBlock({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ScriptedRadio radio(master_, {}, radio_);
    EXPECT_EQ(ProgramWithPassword(port_, doc_, "", c.choice), c.outcome);
    radio.Finish();
    EXPECT_EQ(radio.Received(), c.outcome == PasswordOutcome::Done ? Wire({kOpening, "4B 00 00 08 00 FF", DocumentBlock()}) : "");
    EXPECT_EQ(profile::GetInt(settings, "setup", "com", 0), c.comAfter);
    port_.Close();
  }
}

TEST_F(RadioPasswordTest, EntriesAreCheckedBeforeThePortIsTouched) {
  const struct {
    const char* current;
    const char* newEntered;
    const char* again;
    bool change;
    PasswordOutcome outcome;
  } cases[] = {
      {"12345", "", "", false, PasswordOutcome::LengthWrong},
      {"1234567", "", "", false, PasswordOutcome::LengthWrong},
      {"", "12345", "12345", true, PasswordOutcome::LengthWrong},
      {"", "123456", "123465", true, PasswordOutcome::NotSame},
      {"", "", "123456", true, PasswordOutcome::NotSame},
      // Pasted non-digits would scramble to "no password" and silently remove it.
      {"", "12a456", "12a456", true, PasswordOutcome::NewPasswordNotDigits},
      {"", "12A456", "12A456", true, PasswordOutcome::NewPasswordNotDigits},
  };
  ScriptedRadio radio(master_, {}, radio_);
  const std::string before = test::HexText(doc_.Image());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.current) + "/" + c.newEntered + "/" + c.again);
    const PasswordOutcome outcome =
        c.change ? ChangePassword(port_, doc_, c.current, c.newEntered, c.again) : ProgramWithPassword(port_, doc_, c.current);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_FALSE(port_.IsOpen());
  }
  radio.Finish();
  EXPECT_EQ(radio.Received(), "");
  EXPECT_EQ(test::HexText(doc_.Image()), before);
}

TEST_F(RadioPasswordTest, LinkFailuresEndTheExchange) {
  RadioScript silent;
  silent.answerHandshake = false;
  RadioScript noIdentification;
  noIdentification.identificationBytes = 0;
  RadioScript shortIdentification;
  shortIdentification.identificationBytes = 5;
  RadioScript refusesBlock;
  refusesBlock.acknowledge = [](const Bytes&) { return false; };
  RadioScript shortReply;
  shortReply.shortReplyAt = image::kCalibration;
  RadioScript misaddressed;
  misaddressed.misaddressedReplyAt = image::kCalibration;
  const std::string identified = Wire({Ascii("PROGRAM"), "02"});
  const std::string read = Wire({identified, "06", "52 03 E0 10"});
  const struct {
    const char* name;
    const RadioScript& script;
    PasswordOutcome outcome;
    std::string wire;
    bool portOpen;
    bool blockRead;
  } cases[] = {
      {"silent", silent, PasswordOutcome::NoLink, Ascii("PROGRAM"), true, false},
      {"no identification", noIdentification, PasswordOutcome::NoLink, identified, true, false},
      {"short identification", shortIdentification, PasswordOutcome::WrongType, identified, false, false},
      {"block refused", refusesBlock, PasswordOutcome::WrongType, Wire({kOpening, "4B 00 00 08 00 FF", "FF FF FF FF FF FF"}), true, true},
      {"short reply", shortReply, PasswordOutcome::ReadFailed, read, true, false},
      {"misaddressed reply", misaddressed, PasswordOutcome::ReadFailed, read, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetRadioBlock({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    for (std::size_t k = 0; k < 6; ++k) doc_.At(image::kPowerPermit + k) = 0x5A;
    doc_.At(image::kPowerPermit) = 0xFF;
    ScriptedRadio radio(master_, c.script, radio_);
    EXPECT_EQ(ProgramWithPassword(port_, doc_, ""), c.outcome);
    radio.Finish();
    EXPECT_EQ(radio.Received(), c.wire);
    EXPECT_EQ(port_.IsOpen(), c.portOpen);
    EXPECT_EQ(DocumentBlock(), c.blockRead ? "FF FF FF FF FF FF" : "FF 5A 5A 5A 5A 5A");
    EXPECT_EQ(RadioBlock(radio), "FF FF FF FF FF FF");
    port_.Close();
  }
}

TEST_F(RadioPasswordTest, ThePortFoundBySearchIsKeptOnceTheRadioIdentified) {
  const auto settings = files_.SettingsPath();
  for (const std::size_t identificationBytes : {std::size_t{8}, std::size_t{0}}) {
    SCOPED_TRACE(identificationBytes);
    WriteSettings("[ports]\n1=/dev/corvane-no-such-device\n2=" + slavePath_ + "\n[setup]\ncom=1\nautocom=1\n");
    RadioScript script;
    script.identificationBytes = identificationBytes;
    SetRadioBlock({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ScriptedRadio radio(master_, script, radio_);
    const PasswordOutcome outcome = ProgramWithPassword(port_, doc_, "");
    radio.Finish();
    if (identificationBytes == 8) {
      EXPECT_EQ(outcome, PasswordOutcome::Done);
      EXPECT_EQ(profile::GetInt(settings, "setup", "com", 0), 2);
    } else {
      EXPECT_EQ(outcome, PasswordOutcome::NoLink);
      EXPECT_EQ(profile::GetInt(settings, "setup", "com", 0), 1);
    }
    port_.Close();
  }
}

TEST_F(RadioPasswordTest, APortLeftAtTheFastSpeedGoesBackToTheLinkSpeed) {
  // A transfer to a second-generation radio may leave the open port at 38400 baud,
  // where no handshake could succeed.
  ASSERT_TRUE(port_.Open(1));
  port_.SetBaudRate(CSerial::kFastBaud);
  SetRadioBlock({0xFF, 0xFF, 0xFF, 0xBF, 0x8F, 0x53});
  ScriptedRadio radio(master_, {}, radio_);
  EXPECT_EQ(ProgramWithPassword(port_, doc_, "000000"), PasswordOutcome::PasswordWrong);
  radio.Finish();
  EXPECT_EQ(radio.Received(), kOpening);
  ASSERT_TRUE(port_.IsOpen());
  EXPECT_EQ(port_.BaudRate(), CSerial::kLinkBaud);
}

TEST(RadioPasswordMessage, NamesTheFixedTextsAndTheLanguageKeys) {
  const test::ProgramDir dir;
  const AppFiles files = dir.Files();
  const struct {
    PasswordOutcome outcome;
    const char* text;
    bool textIsKey;
    const char* caption;
    bool captionIsKey;
    PromptIcon icon;
  } cases[] = {
      {PasswordOutcome::Done, "IDS_PROMPT_WRITESUCC", true, "IDS_PROMPT_WRITE", true, PromptIcon::None},
      {PasswordOutcome::LengthWrong, "The length of password is not equal to six bits.", false, "Error", false, PromptIcon::Error},
      {PasswordOutcome::NotSame, "Not the same two password!", false, "IDS_ERROR", true, PromptIcon::None},
      {PasswordOutcome::PasswordWrong, "The password is wrong!", false, "IDS_ERROR", true, PromptIcon::None},
      {PasswordOutcome::OldPasswordWrong, "The old password is wrong!", false, "IDS_ERROR", true, PromptIcon::None},
      {PasswordOutcome::NewPasswordNotDigits, "The new password may only contain the digits 0 to 9.", false, "IDS_ERROR", true, PromptIcon::Error},
      {PasswordOutcome::NoLink, "IDS_ERROR_PORTCONN", true, "IDS_ERROR", true, PromptIcon::Error},
      {PasswordOutcome::PortOpenFailed, "IDS_ERROR_PORTOPEN", true, "IDS_ERROR", true, PromptIcon::Error},
      {PasswordOutcome::WrongType, "IDS_ERROR_TYPE", true, "IDS_ERROR", true, PromptIcon::Error},
      {PasswordOutcome::ReadFailed, "IDS_PROMPT_READFAIL", true, "IDS_PROMPT_READ", true, PromptIcon::Exclamation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const PasswordMessageBox box = PasswordMessage(c.outcome);
    EXPECT_EQ(box.text.value, c.text);
    EXPECT_EQ(box.text.isKey, c.textIsKey);
    EXPECT_EQ(box.caption.value, c.caption);
    EXPECT_EQ(box.caption.isKey, c.captionIsKey);
    EXPECT_EQ(box.icon, c.icon);
    // Keys are in the language file; fixed texts are shown as they are.
    EXPECT_NE(box.text.Resolve(files), kTextNotFound);
    EXPECT_NE(box.caption.Resolve(files), kTextNotFound);
    if (!c.textIsKey) {
      EXPECT_EQ(box.text.Resolve(files), c.text);
    }
  }
}

TEST(RadioPasswordFile, LoadTakesTheFirstLineAndSaveWritesNoLineEnd) {
  const test::TempDir dir;
  const struct {
    const char* content;
    const char* firstLine;
  } cases[] = {
      {"123456", "123456"},
      {"123456\r\n999999\r\n", "123456"},
      {"12A4F6\nsecond", "12A4F6"},
      {"\n123456", ""},
      {"", ""},
  };
  FileError error;
  for (const auto& c : cases) {
    const auto file = dir.Write("password.txt", c.content);
    EXPECT_EQ(LoadPasswordFile(file, error), std::optional<std::string>(c.firstLine)) << c.content;
  }
  EXPECT_EQ(LoadPasswordFile(dir / "missing.txt", error), std::nullopt);
  EXPECT_EQ(error.textKey, "IDS_ERROR_OPENFILE");
  EXPECT_EQ(error.path, dir / "missing.txt");

  // Saving replaces a longer file completely and adds no line end. The file holds the
  // password in clear text: it is its owner's alone, new or replaced, whatever the umask.
  const test::ScopedUmask mask(022);
  const auto file = dir.Write("saved.txt", "999999\r\nold content\r\n");
  ASSERT_TRUE(SavePasswordFile(file, "123456", error));
  EXPECT_EQ(test::ReadAll(file), "123456");
  EXPECT_EQ(test::FileMode(file), 0600);
  ASSERT_TRUE(SavePasswordFile(dir / "new.txt", "654321", error));
  EXPECT_EQ(test::FileMode(dir / "new.txt"), 0600);
  ASSERT_TRUE(SavePasswordFile(file, "", error));
  EXPECT_EQ(test::ReadAll(file), "");
  EXPECT_FALSE(SavePasswordFile(dir / "no-such-folder" / "p.txt", "123456", error));
  EXPECT_EQ(error.textKey, "IDS_ERROR_SAVEFILE");
}

TEST(RadioPasswordLength, EmptyOrSixCharacters) {
  for (const char* valid : {"", "123456", "12a456"}) EXPECT_TRUE(PasswordLengthValid(valid)) << valid;
  for (const char* invalid : {"1", "12345", "1234567"}) EXPECT_FALSE(PasswordLengthValid(invalid)) << invalid;
}

}  // namespace
