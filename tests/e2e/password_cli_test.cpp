// corvane-cli password as a script uses it: the real program and serial code against
// corvane-radio-sim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "link/radio_password.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "settings/profile.h"
#include "tests/e2e/sim_process.h"
#include "tests/unit/test_support.h"

namespace {

// The radio password block 0x3EA-0x3EF as hexadecimal text: the power permit byte with
// bits the radio keeps, two bytes it keeps, the scrambled password "123456".
constexpr const char* kPassword123456 = "BF 8F 53";

class PasswordCliTest : public ::testing::Test {
 protected:
  using Result = test::ProgramRun;

  void SetUp() override {
    // Neither the configured port nor a search may find the radio by accident.
    ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "setup", "autocom", "0"));
    ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "ports", "1", "/dev/corvane-no-such-port"));
  }

  // A radio whose memory holds `block` at 0x3EA; it logs and saves into a folder of its own.
  void StartRadio(const std::string& block, std::vector<std::string> options = {}) {
    std::string memory(image::kSize, '\xFF');
    std::string digits = block;
    std::erase(digits, ' ');
    const std::vector<std::uint8_t> bytes = test::BytesFromHex(digits);
    memory.replace(image::kPowerPermit, bytes.size(), std::string(bytes.begin(), bytes.end()));
    radioDir_ = std::make_unique<test::TempDir>();
    options.insert(options.end(), {"--image", radioDir_->Write("radio.bin", memory).string()});
    radio_ = std::make_unique<test::RecordingRadio>(radioDir_->Path(), options);
  }
  // The block as the radio holds it when it ends.
  std::string RadioBlock() {
    const std::string memory = radio_->SavedMemory();
    return test::HexText(std::span(reinterpret_cast<const std::uint8_t*>(memory.data()) + image::kPowerPermit, 6));
  }
  // Frames the radio received.
  std::size_t FramesReceived() {
    radio_->Stop();
    std::size_t received = 0;
    for (const test::LogFrame& frame : test::ReadSimLog(radio_->Log())) received += frame.received ? 1 : 0;
    return received;
  }

  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), "password");
    return test::RunProgram(CORVANE_CLI_PATH, home_.Path(), scratch_.Path(), args);
  }
  std::vector<std::string> OnRadio(std::vector<std::string> args) {
    args.insert(args.begin(), {"--device", radio_->PtyPath()});
    return args;
  }
  std::string Message(PasswordOutcome outcome) const { return PasswordMessage(outcome).text.Resolve(files_) + "\n"; }
  std::string Text(const char* key) const { return files_.GetText(key) + "\n"; }

  test::ProgramDir home_;
  test::TempDir scratch_;
  AppFiles files_ = home_.Files();
  std::unique_ptr<test::TempDir> radioDir_;
  std::unique_ptr<test::RecordingRadio> radio_;
};

TEST_F(PasswordCliTest, ChangeNeedsTheOldPasswordAndKeepsTheRadiosOtherBytes) {
  const std::string withPassword = std::string("B6 A1 A2 ") + kPassword123456;
  const struct {
    const char* name;
    std::string radioBlock;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
    std::string blockAfter;
  } cases[] = {
      {"changed", withPassword, {"--old", "123456", "--new", "654321"}, 0, Text("IDS_CLI_PASSWORD_SET"), "",
       "B6 A1 A2 C8 F8 24"},
      {"removed", withPassword, {"--old", "123456", "--new", ""}, 0, Text("IDS_CLI_PASSWORD_REMOVED"), "",
       "B6 A1 A2 FF FF FF"},
      {"set on a radio without one", "37 A1 A2 FF FF FF", {"--new", "123456"}, 0, Text("IDS_CLI_PASSWORD_SET"), "",
       std::string("37 A1 A2 ") + kPassword123456},
      {"wrong old password", withPassword, {"--old", "654321", "--new", "000000"}, 1, "",
       Message(PasswordOutcome::OldPasswordWrong), withPassword},
      {"old password left out", withPassword, {"--new", "000000"}, 1, "", Message(PasswordOutcome::OldPasswordWrong),
       withPassword},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartRadio(c.radioBlock);
    const Result result = Cli(OnRadio(c.args));
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(RadioBlock(), c.blockAfter);
  }
}

TEST_F(PasswordCliTest, LowPowerIsStoredWithTheRadiosOtherBits) {
  const struct {
    const char* name;
    std::string radioBlock;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string blockAfter;
  } cases[] = {
      {"on", std::string("37 A1 A2 ") + kPassword123456, {"--old", "123456", "--low-power", "on"}, 0,
       Text("IDS_CLI_LOWPOWER_ON"), std::string("36 A1 A2 ") + kPassword123456},
      {"off", std::string("B6 A1 A2 ") + kPassword123456, {"--old", "123456", "--low-power", "off"}, 0,
       Text("IDS_CLI_LOWPOWER_OFF"), std::string("B7 A1 A2 ") + kPassword123456},
      {"no password", "FE 00 00 FF FF FF", {"--low-power", "off"}, 0, Text("IDS_CLI_LOWPOWER_OFF"),
       "FF 00 00 FF FF FF"},
      {"wrong password", std::string("37 A1 A2 ") + kPassword123456, {"--old", "123457", "--low-power", "on"}, 1, "",
       std::string("37 A1 A2 ") + kPassword123456},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartRadio(c.radioBlock);
    const Result result = Cli(OnRadio(c.args));
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.status == 0 ? "" : Message(PasswordOutcome::PasswordWrong));
    EXPECT_EQ(RadioBlock(), c.blockAfter);
  }
}

TEST_F(PasswordCliTest, PortOptionsChooseTheRadioAsForReadAndWrite) {
  // --port N comes before "com" (a missing device here).
  StartRadio(std::string("37 A1 A2 ") + kPassword123456);
  ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "ports", "3", radio_->PtyPath()));
  const Result chosen = Cli({"--port", "3", "--old", "123456", "--low-power", "on"});
  EXPECT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_EQ(RadioBlock(), std::string("36 A1 A2 ") + kPassword123456);

  // --device is the one device asked: a silent one ends the run although the search is
  // switched on and a radio waits on port 2.
  StartRadio(std::string("37 A1 A2 ") + kPassword123456);
  ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "setup", "autocom", "1"));
  ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "ports", "2", radio_->PtyPath()));
  int master = -1, slave = -1;
  char silent[256];
  ASSERT_EQ(::openpty(&master, &slave, silent, nullptr, nullptr), 0);
  const Result named = Cli({"--device", silent, "--old", "123456", "--low-power", "on"});
  ::close(master);
  ::close(slave);
  EXPECT_EQ(named.status, 1);
  EXPECT_EQ(named.err, Message(PasswordOutcome::NoLink));
  EXPECT_EQ(FramesReceived(), 0u);
}

TEST_F(PasswordCliTest, EntriesThatCanNeverBeRightAreRefusedBeforeThePortIsTouched) {
  const struct {
    std::vector<std::string> args;
    PasswordOutcome outcome;
  } cases[] = {
      {{"--old", "12345", "--low-power", "on"}, PasswordOutcome::LengthWrong},
      {{"--old", "12345", "--new", "123456"}, PasswordOutcome::LengthWrong},
      {{"--old", "123456", "--new", "12345"}, PasswordOutcome::LengthWrong},
      {{"--old", "123456", "--new", "1234567"}, PasswordOutcome::LengthWrong},
      {{"--old", "123456", "--new", "12A456"}, PasswordOutcome::NewPasswordNotDigits},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[3]);
    StartRadio(std::string("37 A1 A2 ") + kPassword123456);
    const Result result = Cli(OnRadio(c.args));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, Message(c.outcome));
    EXPECT_EQ(FramesReceived(), 0u);
  }
}

TEST_F(PasswordCliTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--old", "123456"},
      {"--new", "123456", "--low-power", "on"},
      {"--low-power", "yes"},
      {"--new"},
      {"--new", "111111", "--new", "222222"},
      {"--new", "111111", "extra"},
      {"--port", "0", "--new", "111111"},
      {"--force", "--new", "111111"},
  };
  for (const auto& args : cases) {
    const Result result = Cli(args);
    EXPECT_EQ(result.status, 2) << testing::PrintToString(args);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.starts_with(files_.GetText("IDS_CLI_BADARGS"))) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
  }
}

}  // namespace
