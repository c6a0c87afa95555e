// corvane-cli calibration read and write against corvane-radio-sim, as a script uses them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "link/calibration_file.h"
#include "radio/image_map.h"
#include "settings/profile.h"
#include "tests/e2e/sim_process.h"
#include "tests/unit/test_support.h"

namespace {

// The identification of model 2 of the shipped settings, image order.
constexpr const char* kModel2Id = "3730345520564300";

// 32 distinct bytes beginning at `first`.
std::string Pattern(int first) {
  std::string area;
  for (int k = 0; k < static_cast<int>(image::kCalibrationSize); ++k) area += static_cast<char>((first + 5 * k) & 0xFF);
  return area;
}
std::string AreaOf(const std::string& memory) { return memory.substr(image::kCalibration, image::kCalibrationSize); }
std::string Hex(const std::string& bytes) { return test::HexText(std::vector<std::uint8_t>(bytes.begin(), bytes.end())); }

class CalibrationCliTest : public ::testing::Test {
 protected:
  using Result = test::ProgramRun;
  Result Cli(const std::vector<std::string>& args) {
    return test::RunProgram(CORVANE_CLI_PATH, home_.Path(), scratch_.Path(), args);
  }

  // A radio of model 2 with `area` as its calibration area, on port 1 ("com").
  void StartRadio(const std::string& area, std::vector<std::string> options = {}) {
    radio_.reset();
    radioDir_ = std::make_unique<test::TempDir>();
    std::string image(image::kSize, '\xFF');
    const std::vector<std::uint8_t> model = test::BytesFromHex(kModel2Id);
    std::copy(model.begin(), model.end(), image.begin() + image::kModelId);
    image.replace(image::kCalibration, image::kCalibrationSize, area);
    options.insert(options.end(), {"--image", radioDir_->Write("radio.bin", image).string()});
    radio_ = std::make_unique<test::RecordingRadio>(radioDir_->Path(), std::move(options));
    ASSERT_TRUE(profile::WriteString(home_ / "setting.ini", "ports", "1", radio_->PtyPath()));
    ASSERT_TRUE(profile::WriteString(home_ / "setting.ini", "setup", "com", "1"));
  }
  // The frames the tool sent that read or write calibration bytes.
  std::vector<std::string> CalibrationFramesSent() const {
    std::vector<std::string> frames;
    for (const test::LogFrame& frame : test::ReadSimLog(radio_->Log()))
      if (frame.received && (frame.bytes.starts_with("52 03 E") || frame.bytes.starts_with("52 03 F") ||
                             frame.bytes.starts_with("74 ")))
        frames.push_back(frame.bytes);
    return frames;
  }
  std::string Text(const char* key) const { return files_.GetText(key); }

  test::ProgramDir home_;
  test::TempDir scratch_;
  AppFiles files_ = home_.Files();
  std::unique_ptr<test::TempDir> radioDir_;
  std::unique_ptr<test::RecordingRadio> radio_;
};

// Read from one radio, change the file, write it to another radio of the model: the values
// the file gives arrive, and every other byte (the password block, an item left out) stays
// as the second radio held it.
TEST_F(CalibrationCliTest, ReadThenWriteCarriesTheValuesAndKeepsTheRadiosOtherBytes) {
  const std::string first = Pattern(3);
  StartRadio(first);
  const std::string file = (scratch_ / "cal.txt").string();
  const Result read = Cli({"calibration", "read", "--device", radio_->PtyPath(), file});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.err, "");
  EXPECT_EQ(AreaOf(radio_->SavedMemory()), first);  // a read changes nothing in the radio

  const calibration_file::Parsed parsed = calibration_file::Parse(test::ReadAll(file));
  ASSERT_TRUE(parsed.problems.empty());
  EXPECT_EQ(test::HexText(parsed.contents.model), "37 30 34 55 20 56 43 00");
  std::string expected = Pattern(150);  // the second radio's bytes
  for (std::size_t k = 0; k < CalibrationFields().size(); ++k) {
    const std::size_t at = CalibrationFields()[k].offset - image::kCalibration;
    EXPECT_EQ(parsed.contents.byField[k], static_cast<std::uint8_t>(first[at])) << CalibrationFields()[k].caption;
    if (CalibrationFields()[k].caption != "H H P") expected[at] = first[at];
  }
  // "Voltage" (0x3E4) becomes 44; "H H P" (0x3F5) is left out.
  std::string text = test::ReadAll(file);
  const std::size_t voltage = text.find("\nVoltage=");
  text.replace(voltage, text.find('\n', voltage + 1) - voltage, "\nVoltage=44");
  const std::size_t power = text.find("\nH H P=");
  text.erase(power, text.find('\n', power + 1) - power);
  test::TempDir edited;
  const std::string changed = edited.Write("cal.txt", text).string();
  expected[0x04] = 44;

  StartRadio(Pattern(150));
  const Result written = Cli({"calibration", "write", changed});  // the configured port
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.err, "");
  EXPECT_EQ(Hex(AreaOf(radio_->SavedMemory())), Hex(expected));
  // Reading and writing are two sessions: the 't' frames come after a handshake, an
  // identification and an acknowledge of their own.
  std::vector<std::string> sent;
  for (const test::LogFrame& frame : test::ReadSimLog(radio_->Log()))
    if (frame.received) sent.push_back(frame.bytes.substr(0, 11));
  const std::vector<std::string> connect = {"50 52 4F 47", "02", "06"};
  std::vector<std::string> sessions = connect;
  for (const char* read : {"52 03 E0 08", "52 03 E8 08", "52 03 F0 08", "52 03 F8 08"})
    sessions.insert(sessions.end(), {read, "06"});
  sessions.insert(sessions.end(), connect.begin(), connect.end());
  sessions.insert(sessions.end(), {"74 03 E0 08", "74 03 E8 08", "74 03 F0 08", "74 03 F8 08"});
  EXPECT_EQ(sent, sessions);
}

// Values and names are checked, every bad line reported, before the port is touched.
TEST_F(CalibrationCliTest, ABadFileIsRefusedBeforeThePortIsTouched) {
  StartRadio(Pattern(3));
  const std::string file =
      scratch_.Write("bad.txt", std::string("model=") + kModel2Id + "\nVoltage=12\nL Tune=300\nVolt=1\n").string();
  const Result result = Cli({"calibration", "write", "--port", "1", file});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, file + ":3: " + Text("IDS_CALFILE_RANGE") + " L Tune=300\n" + file + ":4: " +
                            Text("IDS_CALFILE_UNKNOWN") + " Volt=1\n");
  EXPECT_EQ(AreaOf(radio_->SavedMemory()), Pattern(3));
  EXPECT_TRUE(test::ReadSimLog(radio_->Log()).empty());
}

TEST_F(CalibrationCliTest, AnotherModelIsRefusedBeforeACalibrationByteMoves) {
  StartRadio(Pattern(3), {"--model-id", "3130315620564300"});
  const std::string file = scratch_.Write("cal.txt", std::string("model=") + kModel2Id + "\nVoltage=12\n").string();
  const Result result = Cli({"calibration", "write", "--device", radio_->PtyPath(), file});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, Text("IDS_ERROR_TYPE") + "\n");
  EXPECT_EQ(AreaOf(radio_->SavedMemory()), Pattern(3));
  EXPECT_EQ(CalibrationFramesSent(), std::vector<std::string>{});
}

// A read that fails leaves no file behind, and an existing one as it was.
TEST_F(CalibrationCliTest, AFailedReadWritesNoFile) {
  const struct {
    const char* fault;
    const char* key;
  } cases[] = {
      {"no-handshake", "IDS_FAILED_CONNECT"},
      {"short-reply:2", "IDS_PROMPT_READFAIL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    StartRadio(Pattern(3), {"--fault", c.fault});
    const std::filesystem::path fresh = scratch_ / "fresh.txt";
    const Result result = Cli({"calibration", "read", "--device", radio_->PtyPath(), fresh.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, Text(c.key) + "\n");
    EXPECT_FALSE(std::filesystem::exists(fresh));

    StartRadio(Pattern(3), {"--fault", c.fault});
    const std::filesystem::path kept = scratch_.Write("kept.txt", "Voltage=1\n");
    EXPECT_EQ(Cli({"calibration", "read", "--device", radio_->PtyPath(), kept.string()}).status, 1);
    EXPECT_EQ(test::ReadAll(kept), "Voltage=1\n");
  }
}

}  // namespace
