// corvane-cli run as a separate process, as scripts use it.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <sstream>

#include "cli/transfer_follow.h"
#include "link/port_survey.h"
#include "link/serial.h"
#include "radio/channel_csv.h"
#include "radio/channel_table.h"
#include "radio/document.h"
#include "settings/profile.h"
#include "tests/unit/fake_system.h"
#include "tests/unit/test_support.h"

namespace {

using Result = test::ProgramRun;

class CliTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) {
    return test::RunProgram(CORVANE_CLI_PATH, home_.Path(), scratch_.Path(), args);
  }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static std::string Joined(const channel_table::Row& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "\t" : "") + row[i];
    return line;
  }

  test::ProgramDir home_;
  test::TempDir scratch_;
  AppFiles files_ = home_.Files();
};

TEST_F(CliTest, NewThenShowPrintsTheEmptyTableOfModelTwo) {
  const std::string file = (scratch_ / "new.vxp").string();
  const Result made = Run({"new", file});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(std::filesystem::file_size(file), block::kSize);

  const Result shown = Run({"show", file});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.err, "");
  const std::vector<std::string> lines = Lines(shown.out);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[0], Joined(channel_table::HeaderTexts(files_)));
  for (int channel = 1; channel <= 16; ++channel)
    EXPECT_EQ(lines[static_cast<std::size_t>(channel)], std::to_string(channel) + std::string(12, '\t'));
  EXPECT_EQ(shown.out.back(), '\n');

  const Result info = Run({"info", file});
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("2 (CV-407 UHF 400-470 MHz)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("400.000000 - 470.000000"), std::string::npos) << info.out;
}

TEST_F(CliTest, ShowPrintsTheCellsTheChannelPageShows) {
  CTavroPgmDoc doc(files_);
  test::ScriptedPrompter prompter;
  test::NewDocument(doc, prompter);
  doc.SetChannelFrequency(1, true, "435.0125", prompter);
  doc.SetChannelTone(1, true, "67.0");
  doc.SetChannelFrequency(3, true, "446.00625", prompter);
  doc.SetChannelFrequency(3, false, "", prompter);  // receive only
  FileError error;
  const std::string file = (scratch_ / "channels.vxp").string();
  ASSERT_TRUE(doc.OnSaveDocument(file, error));

  const Result shown = Run({"show", file});
  ASSERT_EQ(shown.status, 0) << shown.err;
  const std::vector<std::string> lines = Lines(shown.out);
  ASSERT_EQ(lines.size(), 17u);
  for (int channel = 1; channel <= 16; ++channel)
    EXPECT_EQ(lines[static_cast<std::size_t>(channel)], Joined(channel_table::RowTexts(doc, channel)));
  EXPECT_TRUE(lines[1].starts_with("1\t435.012500\t67.0\t")) << lines[1];
  EXPECT_TRUE(lines[3].starts_with("3\t446.006250\t")) << lines[3];
  // No transmit frequency: columns 4 and 5 are empty.
  EXPECT_NE(lines[3].find("\t\t\t"), std::string::npos) << lines[3];

  const Result info = Run({"info", file});
  EXPECT_NE(info.out.find("2: 1, 3"), std::string::npos) << info.out;
}

TEST_F(CliTest, DumpPrintsEveryControlInAStableOrderThatDiffCompares) {
  CTavroPgmDoc doc(files_);
  test::ScriptedPrompter prompter;
  test::NewDocument(doc, prompter);
  doc.SetChannelFrequency(3, true, "446.00625", prompter);
  doc.SetChannelFrequency(3, false, "", prompter);  // receive only: no transmit tone
  FileError error;
  const std::string fresh = (scratch_ / "fresh.vxp").string();
  ASSERT_TRUE(doc.OnSaveDocument(fresh, error));
  doc.At(image::kSquelchLevel) = 7;
  doc.At(image::SignalCodeOffset(2)) = 0xA0;  // first tone of code 2: 4000, "400.0"
  doc.At(image::SignalCodeOffset(2) + 1) = 0x0F;
  const std::string changed = (scratch_ / "changed.vxp").string();
  ASSERT_TRUE(doc.OnSaveDocument(changed, error));

  const Result before = Run({"dump", fresh});
  const Result after = Run({"dump", changed});
  ASSERT_EQ(before.status, 0) << before.err;
  ASSERT_EQ(after.status, 0) << after.err;
  const std::vector<std::string> a = Lines(before.out);
  const std::vector<std::string> b = Lines(after.out);
  ASSERT_EQ(a.size(), b.size());
  std::vector<std::string> differing;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) differing.push_back(a[i] + " | " + b[i]);
  }
  EXPECT_EQ(differing, (std::vector<std::string>{"151.1240\t3 | 151.1240\t7", "153.code2.1\t | 153.code2.1\t400.0"}));

  // The page controls by page and id, then the channel cells, the sets' fields and the codes.
  const auto position = [&](const std::string& prefix) {
    return std::find_if(a.begin(), a.end(), [&](const std::string& line) { return line.starts_with(prefix); }) -
           a.begin();
  };
  EXPECT_EQ(position("150.1237\t"), 0);
  EXPECT_LT(position("151.1240\t"), position("153.1051\t"));
  EXPECT_LT(position("153.1051\t"), position("159.1057\t"));
  EXPECT_LT(position("159.1057\t"), position("150.1.1\t"));
  EXPECT_EQ(position("150.1.2\t"), position("150.1.1\t") + 1);
  EXPECT_EQ(position("150.2.1\t"), position("150.1.1\t") + 12);
  EXPECT_LT(position("150.16.12\t"), position("153.1.1117\t"));
  EXPECT_LT(position("153.4.1117\t"), position("153.code1.1\t"));
  EXPECT_EQ(a.back(), "153.code16.2\t");

  // Disabled controls and cells say so; what a list shows is its entry's text.
  const auto line = [&](const std::string& prefix) { return a[static_cast<std::size_t>(position(prefix))]; };
  EXPECT_EQ(line("151.1256\t"), "151.1256\t" + files_.GetText("IDS_SELCH") + "\tdisabled");
  EXPECT_EQ(line("150.3.1\t"), "150.3.1\t446.006250");
  EXPECT_EQ(line("150.3.5\t"), "150.3.5\t\tdisabled");
  EXPECT_EQ(line("150.4.1\t"), "150.4.1\t");
  EXPECT_EQ(line("150.4.2\t"), "150.4.2\t\tdisabled");
  EXPECT_EQ(Run({"dump", changed}).out, after.out);
}

TEST_F(CliTest, DumpNamesAndRawBytesAndDiffOfTwoFiles) {
  CTavroPgmDoc doc(files_);
  test::ScriptedPrompter prompter;
  test::NewDocument(doc, prompter);
  doc.SetChannelFrequency(3, true, "446.00625", prompter);
  FileError error;
  const std::string first = (scratch_ / "first.vxp").string();
  ASSERT_TRUE(doc.OnSaveDocument(first, error));
  doc.At(image::ChannelOffset(3) + image::channel::kSignalSet) = 2;  // the image counts sets from 0
  doc.At(image::kSquelchLevel) = 5;
  doc.At(image::kCalibration + 0x10) = 0x12;
  const std::string second = (scratch_ / "second.vxp").string();
  ASSERT_TRUE(doc.OnSaveDocument(second, error));

  const Result named = Run({"dump", "--names", "--raw", first});
  ASSERT_EQ(named.status, 0) << named.err;
  const std::vector<std::string> lines = Lines(named.out);
  const std::vector<std::string> plain = Lines(Run({"dump", first}).out);
  ASSERT_GT(lines.size(), plain.size());
  EXPECT_EQ(lines[plain.size() - 1], "153.code16.2\tCode 16 / 2nd Tone [Hz]\t");  // names keep the order
  EXPECT_NE(std::find(lines.begin(), lines.end(), "151.1240\tSquelch Level\t3"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "150.3.5\tCH 3 / TX CTC/DCS\tNone"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "151.1256\tChannel for ENI Send\t" + files_.GetText("IDS_SELCH") + "\tdisabled"), lines.end());
  EXPECT_EQ(lines[plain.size()], "raw.0x000\traw.0x000\tFF");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "raw.0x3F0\tL L P\tFF"), lines.end());  // a calibration item

  const Result same = Run({"diff", first, first});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "");
  const Result differ = Run({"diff", first, second});
  EXPECT_EQ(differ.status, 1) << differ.err;
  EXPECT_EQ(differ.err, "");
  EXPECT_EQ(differ.out,
            "151.1240\tSquelch Level\t3\t5\n"
            "150.3.3\tCH 3 / Signal Set\tNone\t3\n"
            "raw.0x3F0\tL L P\tFF\t12\n");

  // A file that is not a data file is refused, not compared as an empty configuration.
  const std::string foreign = scratch_.Write("foreign.vxp", std::string(1088, 'x'));
  const Result refused = Run({"diff", first, foreign});
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, files_.GetText("IDS_WARN_LOAD") + "\n");
}

TEST_F(CliTest, ShowOfAForeignFileWarnsAndExitsWithThree) {
  const std::string file = scratch_.Write("foreign.vxp", std::string(1088, 'x'));
  const Result shown = Run({"show", file});
  EXPECT_EQ(shown.status, 3);
  EXPECT_EQ(shown.err, files_.GetText("IDS_WARN_LOAD") + "\n");
  const std::vector<std::string> lines = Lines(shown.out);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[16], "16" + std::string(12, '\t'));
}

TEST_F(CliTest, FailuresGiveOneLineAndAStatus) {
  const std::string existing = scratch_.Write("existing.vxp", "keep me");
  const std::string missing = (scratch_ / "missing.vxp").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string key;
  };
  const std::vector<Case> cases = {
      {{"show", missing}, 1, "IDS_ERROR_OPENFILE"},
      {{"info", scratch_.Path().string()}, 1, "IDS_ERROR_OPENFILE"},
      {{"new", existing}, 1, "IDS_ERROR_FILEEXISTS"},
      {{"new", (scratch_ / "no-such-dir" / "x.vxp").string()}, 1, "IDS_ERROR_SAVEFILE"},
      {{}, 2, "IDS_CLI_BADARGS"},
      {{"frobnicate", existing}, 2, "IDS_CLI_BADARGS"},
      {{"show"}, 2, "IDS_CLI_BADARGS"},
      {{"show", existing, existing}, 2, "IDS_CLI_BADARGS"},
      {{"show", "--force", existing}, 2, "IDS_CLI_BADARGS"},
      {{"diff", existing}, 2, "IDS_CLI_BADARGS"},
      {{"diff", existing, existing, existing}, 2, "IDS_CLI_BADARGS"},
      {{"diff", "--raw", existing}, 2, "IDS_CLI_BADARGS"},
      // diff's 1 means "different", so a file it cannot read is a 2.
      {{"diff", missing, existing}, 2, "IDS_ERROR_OPENFILE"},
      {{"dump", "--diff", existing}, 2, "IDS_CLI_BADARGS"},
  };
  for (const Case& c : cases) {
    const Result result = Run(c.args);
    SCOPED_TRACE(c.key + " " + (c.args.empty() ? "" : c.args[0]));
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.starts_with(files_.GetText(c.key))) << result.err;
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
  }
  EXPECT_EQ(test::ReadAll(existing), "keep me");
}

TEST_F(CliTest, NewReplacesAFileOnlyWithForce) {
  const std::string file = scratch_.Write("old.vxp", "old content");
  EXPECT_EQ(Run({"new", "--force", file}).status, 0);
  EXPECT_EQ(std::filesystem::file_size(file), block::kSize);
}

TEST_F(CliTest, NewMakesTheModelNamedBySettings) {
  struct Case {
    std::vector<std::string> options;
    int status;
    std::string info;  // in the info output, or the start of the error
  };
  const std::vector<Case> cases = {
      {{}, 0, "2 (CV-407 UHF 400-470 MHz)"},
      {{"--model", "0"}, 0, "0 (CV-101 VHF 136-174 MHz)"},
      {{"--model", "3"}, 0, "3 (CV-452 UHF 450-520 MHz)"},
      {{"--model", "7"}, 2, files_.GetText("IDS_CLI_BADMODEL") + " 7. " + files_.GetText("IDS_CLI_MODELS") + " 0, 1, 2, 3"},
      {{"--model", "02"}, 2, files_.GetText("IDS_CLI_BADMODEL") + " 02."},
      {{"--model", "x"}, 2, files_.GetText("IDS_CLI_BADMODEL") + " x."},
      {{"--model"}, 2, files_.GetText("IDS_CLI_BADMODEL")},  // FILE taken for the number: no file
  };
  int made = 0;
  for (const Case& c : cases) {
    const std::string file = (scratch_ / ("model-" + std::to_string(made++) + ".vxp")).string();
    std::vector<std::string> args{"new"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(file);
    SCOPED_TRACE(c.options.empty() ? "default" : c.options.back());
    const Result result = Run(args);
    EXPECT_EQ(result.status, c.status);
    if (c.status != 0) {
      EXPECT_TRUE(result.err.starts_with(c.info)) << result.err;
      EXPECT_FALSE(std::filesystem::exists(file));
      continue;
    }
    const Result info = Run({"info", file});
    EXPECT_NE(info.out.find(c.info), std::string::npos) << info.out;
  }
  // The model's band limits the channels of the new file.
  const std::string vhf = (scratch_ / "vhf.vxp").string();
  ASSERT_EQ(Run({"new", "--model", "0", vhf}).status, 0);
  EXPECT_NE(Run({"info", vhf}).out.find("136.000000 - 174.000000"), std::string::npos);
}

TEST_F(CliTest, HelpNamesEveryCommand) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"help"}}) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 0);
    for (const char* command : {"new", "show", "info", "dump", "--names", "--raw", "diff", "--force", "--model", "password",
                                "--low-power", "export-csv", "import-csv", "ports", "doctor", "voices", "calibration",
                                "--version"})
      EXPECT_NE(result.out.find(command), std::string::npos) << command;
  }
}

TEST_F(CliTest, CommandHelpPrintsThatCommandsPartWithItsNotes) {
  struct Case {
    std::vector<std::string> args;
    std::vector<const char*> shown;
    std::vector<const char*> left;
  };
  const Case cases[] = {
      {{"show", "--help"}, {"show FILE", "Exit status"}, {"import-csv", "Port numbers"}},
      {{"password", "--port", "1", "--help"}, {"--old CODE] --new CODE", "--low-power on|off", "Port numbers"},
       {"dump [--names]", "umask"}},
      {{"help", "calibration"}, {"calibration read", "calibration write", "umask", "Port numbers"}, {"password ["}},
      {{"new", "--help", "x.vxp"}, {"--force", "umask"}, {"Port numbers", "verify"}},
      {{"doctor", "--help"}, {"60-corvane.rules", "brltty"}, {"Exit status: 0 success"}},
  };
  for (const Case& c : cases) {
    const Result result = Run(c.args);
    EXPECT_EQ(result.status, 0) << c.args[0];
    EXPECT_EQ(result.err, "") << c.args[0];
    for (const char* text : c.shown) EXPECT_NE(result.out.find(text), std::string::npos) << c.args[0] << ": " << text;
    for (const char* text : c.left) EXPECT_EQ(result.out.find(text), std::string::npos) << c.args[0] << ": " << text;
  }
}

TEST_F(CliTest, HelpAndVersionAnswerWithoutAProgramDirectory) {
  const test::TempDir empty;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--version"}, {"--help"}, {"dump", "--help"}, {"help", "write"}}) {
    const Result result = test::RunProgram(CORVANE_CLI_PATH, empty.Path(), scratch_.Path(), args);
    EXPECT_EQ(result.status, 0) << args[0];
    EXPECT_EQ(result.err, "") << args[0];
    EXPECT_NE(result.out, "") << args[0];
  }
  EXPECT_EQ(test::RunProgram(CORVANE_CLI_PATH, empty.Path(), scratch_.Path(), {"--version"}).out,
            "corvane-cli " CORVANE_PROJECT_VERSION "\n");
}

TEST_F(CliTest, HelpForSomethingThatIsNoCommandIsAUsageError) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"frobnicate", "--help"}, {"help", "frobnicate"}, {"--version", "show"}}) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2) << args[0] << " " << args[1];
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(files_.GetText("IDS_CLI_BADARGS")), std::string::npos) << result.err;
  }
}

TEST_F(CliTest, TextsFollowTheConfiguredLanguage) {
  ASSERT_TRUE(profile::WriteString(home_.Path() / "setting.ini", "setup", "language", "lang_cn"));
  const std::string file = (scratch_ / "cn.vxp").string();
  ASSERT_EQ(Run({"new", file}).status, 0);
  const Result shown = Run({"show", file});
  EXPECT_EQ(Lines(shown.out).at(0), Joined(channel_table::HeaderTexts(home_.Files("lang_cn"))));
  EXPECT_NE(Lines(shown.out).at(0), Joined(channel_table::HeaderTexts(files_)));
}

TEST_F(CliTest, PortsTellWhichDevicesOpenAndVoicesListThePackages) {
  int master = -1, slave = -1;
  char name[256];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  ASSERT_TRUE(profile::WriteString(home_.Path() / "setting.ini", "ports", "1", name));
  ASSERT_TRUE(profile::WriteString(home_.Path() / "setting.ini", "ports", "2", "/dev/corvane-no-such-port"));
  const Result ports = Run({"ports"});
  EXPECT_EQ(ports.status, 0);
  const std::vector<std::string> lines = Lines(ports.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "1\t" + std::string(name) + "\t" + files_.GetText("IDS_PORT_AVAILABLE"));
  EXPECT_EQ(lines[1], "2\t/dev/corvane-no-such-port\t" + port_survey::PortProblemText(files_, "/dev/corvane-no-such-port", ENOENT));
  ::close(master);
  ::close(slave);

  EXPECT_EQ(Run({"voices"}).err, files_.GetText("IDS_NO_VOICES") + "\n");
  std::string package(32768, '\xFF');
  package.replace(0x7FB0, 8, std::string("English\0", 8));
  package.replace(0x7FF0, 16, std::string(15, '\0') + '\x07');
  home_.Write("english.enc", package);
  const Result voices = Run({"voices"});
  EXPECT_EQ(voices.status, 0);
  EXPECT_EQ(voices.out, "0\tEnglish\t\t00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07\tenglish.enc\n");
}

TEST_F(CliTest, APortThatCannotBeOpenedIsExplained) {
  // "com" names a missing device and no search may run: the read says why, not "no radio".
  const std::filesystem::path settings = home_.Path() / "setting.ini";
  const std::string missing = (scratch_ / "no-such-tty").string();
  ASSERT_TRUE(profile::WriteString(settings, "setup", "autocom", "0"));
  ASSERT_TRUE(profile::WriteString(settings, "setup", "com", "1"));
  ASSERT_TRUE(profile::WriteString(settings, "ports", "1", missing));
  const std::string out = (scratch_ / "out.vxp").string();
  const Result absent = Run({"read", out});
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.err, port_survey::PortProblemText(files_, missing, ENOENT) + "\n");

  // A device this process holds: the command names it, by program name and process id.
  int master = -1, slave = -1;
  char name[256];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  ::close(slave);  // only the port below holds it (and is not inherited by the command)
  CSerial holder;
  ASSERT_TRUE(holder.OpenDevice(name));
  const Result held = Run({"read", "--device", name, out});
  ::close(master);
  EXPECT_EQ(held.status, 1);
  std::string program = test::ReadAll("/proc/self/comm");
  program.pop_back();  // the line end
  for (const std::string& part : {std::string(name), program, std::to_string(::getpid())})
    EXPECT_NE(held.err.find(part), std::string::npos) << part << " not in: " << held.err;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// ports and doctor look at a fake system ($CORVANE_SYSTEM_ROOT): its cables, a device that
// is a pseudo-terminal (usable) and one that is a plain file (not a serial device).
class CliSystemTest : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(::openpty(&master_, &slave_, pty_, nullptr, nullptr), 0);
    ::setenv("CORVANE_SYSTEM_ROOT", system_.Path().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CORVANE_SYSTEM_ROOT");
    ::close(master_);
    ::close(slave_);
  }
  std::string Text(const char* key) const { return files_.GetText(key); }

  test::FakeSystem system_;
  int master_ = -1, slave_ = -1;
  char pty_[256] = {};
};

TEST_F(CliSystemTest, PortsListTheCablesWithThePortEachIsAssignedTo) {
  system_.AddCable({"ttyUSB0", "1-1", "1a86", "7523", "ch341", "usb-1a86_USB_Serial-if00-port0", "", "USB Serial", ""});
  system_.AddCable({"ttyUSB1", "1-2", "0403", "6001", "ftdi_sio", "usb-FTDI_FT232R_A10K-if00-port0", "FTDI", "FT232R", "A10K"});
  system_.AddCable({"ttyACM0", "1-3", "2e8a", "000a", "cdc_acm", "", "Raspberry Pi", "Pico", "E66"});
  // Port 1 names the FTDI cable by its stable name; port 3 is the third device present.
  ASSERT_TRUE(profile::WriteString(home_.Path() / "setting.ini", "ports", "1", "/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0"));
  const Result ports = Run({"ports"});
  EXPECT_EQ(ports.status, 0) << ports.err;
  const std::string notSerial = ": " + Text("IDS_ERROR_NOTSERIAL");
  EXPECT_EQ(ports.out,
            "1\t/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0\t/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0" + notSerial + "\n"
            "2\t/dev/ttyUSB1\t/dev/ttyUSB1" + notSerial + "\n"
            "3\t/dev/ttyACM0\t/dev/ttyACM0" + notSerial + "\n"
            "/dev/ttyACM0\t\t2e8a:000a\tRaspberry Pi\tPico\tE66\tcdc_acm\t3\n"
            "/dev/ttyUSB0\t/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0\t1a86:7523\t\tUSB Serial\t\tch341\t" + Text("IDS_PORT_UNASSIGNED") + "\n"
            "/dev/ttyUSB1\t/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0\t0403:6001\tFTDI\tFT232R\tA10K\tftdi_sio\t1\n");
}

TEST_F(CliSystemTest, DoctorChecksEveryWallAtOnceAndExitsByWhetherAPortIsUsable) {
  const Result bare = Run({"doctor"});
  EXPECT_EQ(bare.status, 1);
  const std::string user = port_survey::Identity::OfThisProcess().userName;
  const std::vector<std::string> bareLines = Lines(bare.out);
  for (const std::string& line :
       {Text("IDS_DOCTOR_CABLES"), "  " + Text("IDS_DOCTOR_NOCABLES"), Text("IDS_DOCTOR_PORTS"), "  " + Text("IDS_DOCTOR_NOPORTS"),
        Text("IDS_DOCTOR_GROUPS") + " " + user, Text("IDS_DOCTOR_BRLTTY") + "\t" + Text("IDS_DOCTOR_NOTRUNNING"),
        Text("IDS_DOCTOR_MODEMMANAGER") + "\t" + Text("IDS_DOCTOR_NOTRUNNING"),
        Text("IDS_DOCTOR_UDEV") + "\t" + Text("IDS_DOCTOR_NOTINSTALLED")})
    EXPECT_NE(std::find(bareLines.begin(), bareLines.end(), line), bareLines.end()) << line << " not in:\n" << bare.out;
  EXPECT_EQ(bareLines.back(), Text("IDS_DOCTOR_UNUSABLE"));

  // A usable cable (its node is the pseudo-terminal), a cable brltty took, both services
  // running, the rule installed, and the user in a group only by the group file.
  system_.AddCable({"ttyUSB0", "1-1", "1a86", "7523", "ch341", "", "", "USB Serial", ""});
  std::filesystem::remove(system_.Path() / "dev/ttyUSB0");
  system_.Link("/dev/ttyUSB0", pty_);
  system_.AddUsbDevice("1-4", "10c4", "ea60");
  system_.AddProcess(300, "brltty");
  system_.AddProcess(301, "ModemManager");
  system_.Put("/usr/lib/udev/rules.d/60-corvane.rules");
  system_.Put("/etc/group", "corvanetest:x:54321:" + user + "\n");
  const Result found = Run({"doctor"});
  EXPECT_EQ(found.status, 0) << found.out;
  const std::vector<std::string> lines = Lines(found.out);
  auto has = [&lines](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  EXPECT_TRUE(has("  /dev/ttyUSB0\t\t1a86:7523\t\tUSB Serial\t\tch341\t1\t" + Text("IDS_PORT_AVAILABLE"))) << found.out;
  EXPECT_TRUE(has("  1\t/dev/ttyUSB0\t" + Text("IDS_PORT_AVAILABLE"))) << found.out;
  EXPECT_TRUE(has(Text("IDS_DOCTOR_TAKEN")));
  EXPECT_TRUE(has("  1-4\t10c4:ea60\tUSB Serial\t" +
                  port_survey::TakenCableText(files_, {"1-4", "10c4", "ea60", "USB Serial"}))) << found.out;
  EXPECT_TRUE(has("  corvanetest\tyes\tno")) << found.out;
  EXPECT_TRUE(has(Text("IDS_DOCTOR_BRLTTY") + "\t" + Text("IDS_DOCTOR_RUNNING")));
  EXPECT_TRUE(has(Text("IDS_DOCTOR_MODEMMANAGER") + "\t" + Text("IDS_DOCTOR_RUNNING")));
  EXPECT_TRUE(has(Text("IDS_DOCTOR_UDEV") + "\t" + Text("IDS_DOCTOR_INSTALLED") + "\t/usr/lib/udev/rules.d/60-corvane.rules"));
  EXPECT_EQ(lines.back(), Text("IDS_DOCTOR_USABLE"));
}

// The radio waits about 30 s for the answer to the question about another model; a user
// who answers later must find the transfer ended as the worker left it.
TEST_F(CliTest, AnAnswerAfterTheWorkerGaveUpLeavesTheStateItEndedIn) {
  struct Case {
    const char* name;
    bool workerGivesUp;  // while the user is still thinking
    bool answer;
    TransferState expected;
  };
  const std::vector<Case> cases = {
      {"yes, too late", true, true, TransferState::NoLink},
      {"no, too late", true, false, TransferState::NoLink},
      {"no, in time", false, false, TransferState::WrongType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TransferParams params;
    params.state.store(TransferState::ConfirmType);
    int asked = 0;
    const std::function<bool()> confirm = [&] {
      ++asked;
      // What the worker does when its wait for the answer runs out.
      if (c.workerGivesUp) params.state.store(TransferState::NoLink);
      return c.answer;
    };
    std::ostringstream err;
    std::future<TransferState> follow =
        std::async(std::launch::async, [&] { return cli::Follow(params, files_, err, false, confirm); });
    const bool ended = follow.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    // A follower that lost the end would look forever; a final state lets it go.
    if (!ended) params.state.store(TransferState::WriteFailed);
    ASSERT_TRUE(ended) << "the command never ends";
    EXPECT_EQ(follow.get(), c.expected);
    EXPECT_EQ(params.state.load(), c.expected);
    EXPECT_EQ(asked, 1);
  }
}

TEST_F(CliTest, RefusesToRunWithoutSettings) {
  std::filesystem::remove(home_.Path() / "setting.ini");
  const Result result = Run({"show", "x.vxp"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Can not find the file setting.ini!\n");
}

TEST_F(CliTest, CsvExportThenImportIntoANewFileGivesTheSameChannels) {
  CTavroPgmDoc doc(files_);
  test::ScriptedPrompter prompter;
  test::NewDocument(doc, prompter);
  doc.SetChannelFrequency(2, true, "446.00625", prompter);
  doc.SetChannelFrequency(2, false, "441.00625", prompter);
  doc.SetChannelTone(2, true, "D754I");
  doc.SetChannelFrequency(5, true, "430.5", prompter);
  FileError error;
  const std::string source = (scratch_ / "source.vxp").string();
  ASSERT_TRUE(doc.OnSaveDocument(source, error));

  const std::string csv = (scratch_ / "channels.csv").string();
  const Result exported = Run({"export-csv", source, csv});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(test::ReadAll(csv), channel_csv::Export(doc));

  const std::string target = (scratch_ / "target.vxp").string();
  ASSERT_EQ(Run({"new", target}).status, 0);
  const Result imported = Run({"import-csv", target, csv});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.err, "");
  EXPECT_EQ(Run({"show", target}).out, Run({"show", source}).out);
}

TEST_F(CliTest, CsvFailuresLeaveTheDataFileAsItWas) {
  const std::string file = (scratch_ / "kept.vxp").string();
  ASSERT_EQ(Run({"new", file}).status, 0);
  const std::string before = test::ReadAll(file);
  const std::string bad = scratch_.Write("bad.csv", "Location,Frequency,Mode\n1,446.1,FM\n2,446.2,AM\n17,446.3,FM\n");
  const std::string good = scratch_.Write("good.csv", "Location,Frequency\n1,446.1\n");
  const std::string headerOnly = scratch_.Write("header.csv", "Location,Frequency,Power\r\n");
  const std::string foreign = scratch_.Write("foreign.vxp", std::string(1088, 'x'));
  const std::string used = (scratch_ / "used.vxp").string();
  ASSERT_EQ(Run({"new", used}).status, 0);
  ASSERT_EQ(Run({"import-csv", used, good}).status, 0);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> errorLines;  // the start of each line on standard error
  };
  const std::vector<Case> cases = {
      {{"import-csv", file, bad}, 1,
       {bad + ": Line 3, Mode: " + files_.GetText("IDS_CSV_BADMODE"),
        bad + ": Line 4, Location: " + files_.GetText("IDS_CSV_BADLOCATION")}},
      {{"import-csv", file, (scratch_ / "missing.csv").string()}, 1, {files_.GetText("IDS_ERROR_OPENFILE")}},
      {{"import-csv", file, headerOnly}, 1, {headerOnly + ": " + files_.GetText("IDS_CSV_NOCHANNELS")}},
      {{"import-csv", foreign, good}, 3, {files_.GetText("IDS_WARN_LOAD")}},
      {{"import-csv", file}, 2, {files_.GetText("IDS_CLI_BADARGS")}},
      {{"import-csv", "--force", file, good}, 2, {files_.GetText("IDS_CLI_BADARGS")}},
      {{"export-csv", used, (scratch_ / "no-such-dir" / "out.csv").string()}, 1, {files_.GetText("IDS_ERROR_SAVEFILE")}},
      // No channel in use: a header alone would not import again.
      {{"export-csv", file, (scratch_ / "out.csv").string()}, 1, {files_.GetText("IDS_CSV_NOTHINGTOEXPORT")}},
      {{"export-csv", foreign, (scratch_ / "out.csv").string()}, 3, {files_.GetText("IDS_WARN_LOAD")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const Result result = Run(c.args);
    EXPECT_EQ(result.status, c.status);
    const std::vector<std::string> lines = Lines(result.err);
    ASSERT_EQ(lines.size(), c.errorLines.size()) << result.err;
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_TRUE(lines[i].starts_with(c.errorLines[i])) << lines[i];
  }
  EXPECT_EQ(test::ReadAll(file), before);
  EXPECT_EQ(test::ReadAll(foreign), std::string(1088, 'x'));
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "out.csv"));
}

TEST_F(CliTest, NewFilesHonourTheUmask) {
  // A configuration with a channel in use: one without writes no channel list.
  const std::string source = (scratch_ / "source.vxp").string();
  ASSERT_EQ(Run({"new", source}).status, 0);
  ASSERT_EQ(Run({"import-csv", source, scratch_.Write("channels.csv", "Location,Frequency\n1,446.1\n")}).status, 0);
  for (const auto& [mask, mode] : {std::pair{mode_t{022}, 0644}, std::pair{mode_t{077}, 0600}}) {
    SCOPED_TRACE(mode);
    test::ScopedUmask umask(mask);
    const std::filesystem::path made = scratch_ / ("new-" + std::to_string(mode) + ".vxp");
    const std::filesystem::path csv = scratch_ / ("out-" + std::to_string(mode) + ".csv");
    ASSERT_EQ(Run({"new", made.string()}).status, 0);
    ASSERT_EQ(Run({"export-csv", source, csv.string()}).status, 0);
    EXPECT_EQ(test::FileMode(made), mode);
    EXPECT_EQ(test::FileMode(csv), mode);
  }
}

TEST_F(CliTest, AWriteProtectedFileIsNeverReplaced) {
  // Also for the superuser, who could write the file: it has no write permission bit.
  const std::string file = (scratch_ / "protected.vxp").string();
  ASSERT_EQ(Run({"new", file}).status, 0);
  const std::string data = test::ReadAll(file);
  const std::string csv = scratch_.Write("channels.csv", "Location,Frequency\n1,446.1\n");
  const std::string protectedCsv = scratch_.Write("protected.csv", "kept");
  const std::string calibration = scratch_.Write("protected.txt", "kept");
  for (const std::string& path : {file, protectedCsv, calibration}) ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const std::string source = (scratch_ / "source.vxp").string();
  ASSERT_EQ(Run({"new", source}).status, 0);
  ASSERT_EQ(Run({"import-csv", source, csv}).status, 0);
  // The radio commands refuse before they open a port; this device does not exist.
  const std::string noDevice = (scratch_ / "no-radio").string();
  const std::vector<std::vector<std::string>> commands = {
      {"new", "--force", file},
      {"export-csv", source, protectedCsv},
      {"import-csv", file, csv},
      {"read", "--device", noDevice, file},
      {"calibration", "read", "--device", noDevice, calibration},
  };
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const Result result = Run(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with(files_.GetText("IDS_ERROR_READONLY"))) << result.err;
  }
  EXPECT_EQ(test::ReadAll(file), data);
  EXPECT_EQ(test::ReadAll(protectedCsv), "kept");
  EXPECT_EQ(test::ReadAll(calibration), "kept");
  EXPECT_EQ(test::FileMode(file), 0444);
}

}  // namespace
