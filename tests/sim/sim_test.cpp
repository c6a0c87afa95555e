// corvane-radio-sim: the radio's answers frame by frame, its options, and the
// program itself answering over a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "radio/image_map.h"
#include "sim/sim_options.h"
#include "sim/sim_radio.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using sim::Bytes;

Bytes FromHex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  for (std::string pair; in >> pair;) bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
  return bytes;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
  std::string text;
  char pair[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += (text.empty() ? "" : " ") + std::string(pair);
  }
  return text;
}

std::string Repeated(const std::string& pair, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += (i ? " " : "") + pair;
  return text;
}

// Where two byte sequences first differ, for failure messages.
std::string FirstDifference(const Bytes& expected, const Bytes& actual) {
  if (expected.size() != actual.size())
    return "sizes " + std::to_string(expected.size()) + "/" + std::to_string(actual.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (expected[i] != actual[i]) return "first difference at " + std::to_string(i);
  return "equal";
}

// Frames of the tool, as it writes them.
const std::string kProgram = "50 52 4F 47 52 41 4D";
const std::string kSwitchToFast = "4B 00 00 08 00 80 00 00 00 00 00 00";
const std::string kEnterTest = "4B 00 00 08 00 02 00 00 00 00 00 00";
const std::string kSaveValue = "4B 00 00 08 10 00 01 00 00 80 00 00";
std::string TestItem(const std::string& item) { return "4B 00 00 08 10 80 " + item + " 00 00 00 00 00"; }
std::string TestPoint(const std::string& point) { return "4B 00 00 08 80 00 00 00 20 00 " + point + " 00"; }

// The CV-407's identification as the radio sends it: the image's model
// identifier 37 30 34 55 20 56 43 00, last byte first.
const std::string kIdentification = "00 43 56 20 55 34 30 37";

// ---------------------------------------------------------------------------
// The radio, frame by frame.

// One step of an exchange: bytes the tool sends at a line speed and the reply
// the radio must give ("" for none, kCablePulled when it disconnects instead);
// or the tool closing the port; or a frame in progress timing out, with the
// bytes it drops.
const std::string kCablePulled = "cable pulled";

struct Step {
  enum class Kind { Send, HangUp, TimeOut } kind = Kind::Send;
  std::string bytes;
  std::string expect;
  int baud = sim::kSlowBaud;
};
Step Send(std::string bytes, std::string expect) { return {Step::Kind::Send, std::move(bytes), std::move(expect)}; }
Step SendAt(int baud, std::string bytes, std::string expect) {
  return {Step::Kind::Send, std::move(bytes), std::move(expect), baud};
}
Step HangUp() { return {Step::Kind::HangUp, "", ""}; }
Step TimeOut(std::string dropped) { return {Step::Kind::TimeOut, "", std::move(dropped)}; }

struct ExchangeCase {
  std::string name;
  std::function<void(sim::SimOptions&)> configure;
  std::vector<Step> steps;
};

// Memory whose image bytes hold the low byte of their address; the rest is empty.
Bytes PatternMemory() {
  Bytes memory(sim::kMemorySize, image::kEmpty);
  for (std::size_t address = 0; address < image::kSize; ++address) memory[address] = static_cast<std::uint8_t>(address);
  return memory;
}

class RadioExchangeTest : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(RadioExchangeTest, AnswersEachFrameAsTheRadioDoes) {
  const ExchangeCase& exchange = GetParam();
  sim::SimOptions options;
  if (exchange.configure) exchange.configure(options);
  const Bytes memory = PatternMemory();
  sim::SimRadio radio(options.BuildSetup(memory), memory);

  Bytes fed, reported;
  for (std::size_t i = 0; i < exchange.steps.size(); ++i) {
    const Step& step = exchange.steps[i];
    SCOPED_TRACE("step " + std::to_string(i) + ": " + step.bytes);
    if (step.kind != Step::Kind::Send) {
      const Bytes dropped = radio.DropPartialFrame();
      reported.insert(reported.end(), dropped.begin(), dropped.end());
      if (step.kind == Step::Kind::TimeOut) {
        EXPECT_EQ(ToHex(dropped), step.expect);
      } else {
        radio.HangUp();
      }
      continue;
    }
    Bytes reply;
    bool pulled = false;
    for (std::uint8_t byte : FromHex(step.bytes)) {
      fed.push_back(byte);
      const sim::SimRadio::Output output = radio.Feed(byte, step.baud);
      for (const Bytes& frame : output.received) reported.insert(reported.end(), frame.begin(), frame.end());
      reply.insert(reply.end(), output.reply.begin(), output.reply.end());
      pulled = pulled || output.disconnect;
    }
    EXPECT_EQ(pulled ? kCablePulled : ToHex(reply), step.expect);
  }
  // Every byte taken in is reported once and in order, whatever became of it.
  const Bytes rest = radio.DropPartialFrame();
  reported.insert(reported.end(), rest.begin(), rest.end());
  EXPECT_EQ(ToHex(reported), ToHex(fed));
}

const ExchangeCase kExchanges[] = {
    {"HandshakeIdentificationAndVersion", nullptr,
     {Send("50 52 4F 47 52 41", ""), Send("4D", "06"), Send("02", kIdentification), Send("06", "06"),
      Send("72", "20 01")}},
    {"NothingButTheHandshakeIsHeardBeforeIt", nullptr,
     {Send("02 06 72 52 00 00 08 45 4B", ""), Send("50 52 4F 58", ""), Send(kProgram, "06"), Send("02", kIdentification)}},
    {"HandshakeIsHeardAgainAndLeavesTestMode", nullptr,
     {Send(kProgram, "06"), Send("52 00", ""), TimeOut("52 00"), Send(kProgram, "06"), Send(kEnterTest, "06"),
      Send(kProgram, "06"), Send("72", "20 01")}},
    {"ReadEchoesAddressAndLengthAndWrapsAtTheEndOfMemory", nullptr,
     {Send(kProgram, "06"), Send("52 03 50 08", "57 03 50 08 50 51 52 53 54 55 56 57"),
      Send("52 7F FC 08", "57 7F FC 08 FF FF FF FF 00 01 02 03")}},
    {"WriteStoresThenAcknowledges", nullptr,
     {Send(kProgram, "06"), Send("77 00 20 04 11 22 33 44", "06"),
      Send("52 00 1E 08", "57 00 1E 08 1E 1F 11 22 33 44 24 25")}},
    {"CalibrationWriteStoresEightBytes", nullptr,
     {Send(kProgram, "06"), Send("74 03 F0 08 01 02 03 04 05 06 07 08", "06"),
      Send("52 03 EE 0C", "57 03 EE 0C EE EF 01 02 03 04 05 06 07 08 F8 F9")}},
    {"SecondGenerationListensAt38400AfterTheSwitch", nullptr,
     {Send(kProgram, "06"), Send(kSwitchToFast, "06"), SendAt(sim::kSlowBaud, "52 00 00 04", ""),
      SendAt(sim::kFastBaud, "52 00 00 04", "57 00 00 04 00 01 02 03"),
      // At the fast speed "PROGRAM" is no handshake: its 'R' begins a read of 0x52 bytes at 0x4F47.
      SendAt(sim::kFastBaud, kProgram, "57 4F 47 52 " + Repeated("FF", 0x52)),
      HangUp(), Send("02", ""), Send(kProgram, "06"), Send("02", kIdentification)}},
    {"FirstGenerationLeavesTheSwitchUnanswered", [](sim::SimOptions& o) { o.generation = 1; },
     {Send(kProgram, "06"), Send("72", "10 01"), Send(kSwitchToFast, ""), Send("52 00 00 04", "57 00 00 04 00 01 02 03")}},
    {"PasswordBlockIsStored", nullptr,
     {Send(kProgram, "06"), Send("4B 00 00 08 00 FF 01 02 03 04 05 06", "06"),
      Send("52 03 E8 08", "57 03 E8 08 E8 E9 01 02 03 04 05 06")}},
    {"UnknownSettingsAndTestFramesOutsideTestModeGoUnanswered", nullptr,
     {Send(kProgram, "06"), Send("4B 00 00 08 00 55 00 00 00 00 00 00", ""), Send(TestItem("01"), ""),
      Send(kSaveValue, ""), Send("45", ""), Send(kEnterTest, "06"), Send("45", "06")}},
    {"TestModeTriesAValueAndSavesIt", nullptr,
     {Send(kProgram, "06"), Send(kEnterTest, "06"), Send(TestItem("02"), "06"), Send(TestPoint("03"), "06"),
      Send(TestItem("03"), "06"), Send("72", "E9 00"), Send(TestPoint("55"), "06"), Send("72", "55 00"),
      Send(kSaveValue, "06"), Send("52 03 E7 04", "57 03 E7 04 E7 E8 55 EA")}},
    {"TestModeReadingFunctionReportsItsMeasurement", nullptr,
     {Send(kProgram, "06"), Send(kEnterTest, "06"), Send(TestItem("02"), "06"), Send(TestPoint("02"), "06"),
      Send(TestItem("04"), "06"), Send("72", "30 00"), Send(kSaveValue, "06"),
      Send("52 03 E0 04", "57 03 E0 04 30 E1 E2 E3")}},
    {"FaultNoHandshake", [](sim::SimOptions& o) { o.faults.noHandshake = true; },
     {Send(kProgram, ""), Send("02", "")}},
    {"FaultShortIdentification", [](sim::SimOptions& o) { o.faults.shortId = true; },
     {Send(kProgram, "06"), Send("02", "00 43 56 20 55")}},
    {"FaultNoVersion", [](sim::SimOptions& o) { o.faults.noVersion = true; },
     {Send(kProgram, "06"), Send("72", ""), Send("06", "06")}},
    {"FaultMuteInTestAnswersNothingInTestMode", [](sim::SimOptions& o) { o.faults.muteInTest = true; },
     {Send(kProgram, "06"), Send(kEnterTest, "06"), Send(TestItem("01"), ""), Send("72", ""), Send("45", ""),
      Send(kSaveValue, ""), Send(kProgram, "06"), Send("02", kIdentification)}},
    {"FaultShortReplyCutsTheSecondRead", [](sim::SimOptions& o) { o.faults.shortReply = {1}; },
     {Send(kProgram, "06"), Send("52 00 00 08", "57 00 00 08 00 01 02 03 04 05 06 07"),
      Send("52 00 08 08", "57 00 08 08 08 09"), Send("52 00 10 04", "57 00 10 04 10 11 12 13")}},
    {"FaultWrongAddressEchoesTheNextBlock", [](sim::SimOptions& o) { o.faults.wrongAddress = {0}; },
     {Send(kProgram, "06"), Send("52 00 40 08", "57 00 48 08 40 41 42 43 44 45 46 47"),
      Send("52 00 40 04", "57 00 40 04 40 41 42 43")}},
    {"FaultNoAckStillStores", [](sim::SimOptions& o) { o.faults.noAck = {1}; },
     {Send(kProgram, "06"), Send("77 00 00 02 AA BB", "06"), Send("77 00 02 02 CC DD", ""),
      Send("52 00 00 04", "57 00 00 04 AA BB CC DD")}},
    {"FaultCorruptWriteAcknowledgesAndStoresTheFirstByteInverted",
     [](sim::SimOptions& o) { o.faults.corruptWrite = {1}; },
     {Send(kProgram, "06"), Send("77 00 00 02 AA BB", "06"), Send("77 00 02 02 CC DD", "06"),
      Send("52 00 00 04", "57 00 00 04 AA BB 33 DD")}},
    {"FaultDisconnectCountsReadsAndWritesTogether", [](sim::SimOptions& o) { o.faults.disconnectAt = 2; },
     {Send(kProgram, "06"), Send("52 00 00 02", "57 00 00 02 00 01"), Send("77 00 00 02 AA BB", "06"),
      Send("77 00 02 02 CC DD", kCablePulled)}},
};

INSTANTIATE_TEST_SUITE_P(Frames, RadioExchangeTest, ::testing::ValuesIn(kExchanges),
                         [](const ::testing::TestParamInfo<ExchangeCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Options.

struct TempDir {
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "corvane-sim-XXXXXX").string();
    path = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<sim::SimOptions> Parse(const std::vector<std::string>& args, std::string& error) {
  return sim::SimOptions::Parse(args, error);
}

TEST(SimOptionsTest, RefusesBadOptionsWithOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"radio.vxp"},
      {"--log"},
      {"--model-id", "37303455205643"},
      {"--band", "00000047000000GG"},
      {"--version", "123"},
      {"--generation", "3"},
      {"--fault", "sometimes"},
      {"--fault", "short-reply"},
      {"--fault", "no-ack:-1"},
      {"--fault", "corrupt-write"},
      {"--fault=disconnect:x"},
  };
  for (const std::vector<std::string>& args : cases) {
    std::string error;
    EXPECT_FALSE(Parse(args, error).has_value()) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(SimOptionsTest, DerivesIdentificationVersionAndGeneration) {
  struct Case {
    std::vector<std::string> args;
    std::string identification;
    std::uint8_t version;
    int generation;
  };
  const Case cases[] = {
      {{}, kIdentification, 0x20, 2},
      {{"--generation", "1"}, kIdentification, 0x10, 1},
      {{"--version", "0x12"}, kIdentification, 0x12, 1},
      {{"--version=21", "--generation", "1"}, kIdentification, 0x21, 1},
      {{"--model-id", "0102030405060708"}, "08 07 06 05 04 03 02 01", 0x20, 2},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<sim::SimOptions> options = Parse(c.args, error);
    ASSERT_TRUE(options) << error;
    const sim::RadioSetup setup = options->BuildSetup(Bytes(sim::kMemorySize, image::kEmpty));
    EXPECT_EQ(ToHex(setup.identification), c.identification);
    EXPECT_EQ(setup.version, c.version);
    EXPECT_EQ(setup.generation, c.generation);
  }
}

TEST(SimOptionsTest, CollectsRepeatedFaults) {
  std::string error;
  const std::optional<sim::SimOptions> options =
      Parse({"--fault", "short-reply:3", "--fault", "short-reply:5", "--fault=no-ack:0", "--fault", "slow-reply:40",
             "--fault", "corrupt-write:2",
             "--fault", "disconnect:7", "--fault", "short-id", "--fault", "mute-in-test"},
            error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->faults.shortReply, (std::set<std::uint64_t>{3, 5}));
  EXPECT_EQ(options->faults.noAck, (std::set<std::uint64_t>{0}));
  EXPECT_EQ(options->faults.corruptWrite, (std::set<std::uint64_t>{2}));
  EXPECT_EQ(options->faults.disconnectAt, 7u);
  EXPECT_TRUE(options->faults.shortId);
  EXPECT_TRUE(options->faults.muteInTest);
  EXPECT_FALSE(options->faults.noHandshake);
  EXPECT_EQ(options->replyDelayMs, 40);
}

TEST(SimOptionsTest, HelpNamesEveryOptionAndFault) {
  const std::string usage = sim::SimOptions::Usage();
  for (const char* name : {"--link", "--image", "--voice", "--band", "--model-id", "--version", "--generation",
                           "--save", "--log", "--wire-timing", "--fault", "--help", "no-handshake", "short-id",
                           "no-version", "mute-in-test", "short-reply:K", "wrong-address:K", "no-ack:K", "corrupt-write:K", "slow-reply:MS",
                           "disconnect:K"})
    EXPECT_NE(usage.find(name), std::string::npos) << name;
}

// A file whose byte at offset i is (i * 7 + 3) mod 256.
Bytes PatternFile(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

TEST(SimOptionsTest, LoadsImagesOfEveryKnownSize) {
  struct Case {
    std::size_t size;
    std::size_t imageOffset;  // where memory 0x0000 comes from in the file
    bool voiceId;             // memory 0x7FF0 from the file's last 16 bytes
    bool wholeMemory;
  };
  const Case cases[] = {
      {block::kSize, block::kImage, true, false},
      {block::kVoiceId, block::kImage, false, false},
      {block::kSize - 1, block::kImage, false, false},
      {image::kSize, 0, false, false},
      {sim::kMemorySize, 0, false, true},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const Bytes file = PatternFile(c.size);
    WriteFile(dir.path / "image", file);
    std::string error;
    const std::optional<sim::SimOptions> options = Parse({"--image", (dir.path / "image").string()}, error);
    ASSERT_TRUE(options) << error;
    const std::optional<Bytes> memory = options->BuildMemory(error);
    ASSERT_TRUE(memory) << error;

    Bytes expected(sim::kMemorySize, image::kEmpty);
    const std::size_t copied = c.wholeMemory ? sim::kMemorySize : image::kSize;
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(c.imageOffset), copied, expected.begin());
    if (c.voiceId) std::copy_n(file.begin() + block::kVoiceId, block::kVoiceIdSize, expected.begin() + sim::kVoiceIdAddress);
    EXPECT_TRUE(*memory == expected) << FirstDifference(expected, *memory);

    // The identification comes from the image's model identifier, last byte first.
    const sim::RadioSetup setup = options->BuildSetup(*memory);
    Bytes id(expected.begin() + image::kModelId, expected.begin() + image::kModelId + image::kModelIdSize);
    std::reverse(id.begin(), id.end());
    EXPECT_EQ(ToHex(setup.identification), ToHex(id));
  }
}

TEST(SimOptionsTest, VoicePackageAndBandGoOverTheImage) {
  TempDir dir;
  const Bytes voice = PatternFile(sim::kMemorySize);
  WriteFile(dir.path / "voice.enc", voice);
  WriteFile(dir.path / "image.bin", Bytes(image::kSize, 0x11));
  std::string error;
  const std::optional<sim::SimOptions> options =
      Parse({"--image", (dir.path / "image.bin").string(), "--voice", (dir.path / "voice.enc").string(), "--band",
             "0000004700000040"},
            error);
  ASSERT_TRUE(options) << error;
  const std::optional<Bytes> memory = options->BuildMemory(error);
  ASSERT_TRUE(memory) << error;

  Bytes expected = voice;
  std::fill_n(expected.begin(), image::kSize, 0x11);
  const Bytes band = FromHex("00 00 00 47 00 00 00 40");
  std::copy(band.begin(), band.end(), expected.begin() + image::kBandData);
  EXPECT_TRUE(*memory == expected) << FirstDifference(expected, *memory);
}

TEST(SimOptionsTest, RefusesFilesOfOtherSizes) {
  TempDir dir;
  WriteFile(dir.path / "short", PatternFile(1000));
  WriteFile(dir.path / "long", PatternFile(sim::kMemorySize + 1));
  const std::vector<std::vector<std::string>> cases = {
      {"--image", (dir.path / "short").string()},
      {"--image", (dir.path / "long").string()},
      {"--image", (dir.path / "missing").string()},
      {"--voice", (dir.path / "short").string()},
  };
  for (const std::vector<std::string>& args : cases) {
    std::string error;
    const std::optional<sim::SimOptions> options = Parse(args, error);
    ASSERT_TRUE(options) << error;
    EXPECT_FALSE(options->BuildMemory(error).has_value()) << args[1];
    EXPECT_FALSE(error.empty());
  }
}

// ---------------------------------------------------------------------------
// The program over a pseudo-terminal.

constexpr int kWaitMs = 5000;  // bound of every wait for the program or the radio

// corvane-radio-sim running with pipes on its standard streams.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> argv_strings = {CORVANE_SIM_PATH};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv_strings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, CORVANE_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
  }

  ~SimProcess() {
    CloseInput();
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // The next line of standard output, without its line end.
  std::optional<std::string> ReadLine() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    for (;;) {
      const std::size_t end = out_text_.find('\n');
      if (end != std::string::npos) {
        std::string line = out_text_.substr(0, end);
        out_text_.erase(0, end + 1);
        return line;
      }
      if (!ReadSome(out_, out_text_, deadline)) return std::nullopt;
    }
  }

  void CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
  }

  void Signal(int signal) { kill(pid_, signal); }

  // The exit status once the program has ended (both its output streams
  // closed), or nothing when it does not end in time.
  std::optional<int> Wait() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (ReadSome(out_, out_text_, deadline)) {}
    while (ReadSome(err_, err_text_, deadline)) {}
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // For failure messages: how the program ended and what it said.
  std::string Ending() {
    const std::optional<int> status = Wait();
    return "exit status " + (status ? std::to_string(*status) : std::string("none")) + ", stderr: " + err_text_;
  }

  const std::string& Out() const { return out_text_; }
  const std::string& Err() const { return err_text_; }

 private:
  // Appends what `fd` has to `text`; false at end of file or at the deadline.
  static bool ReadSome(int fd, std::string& text, std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) != 1) return false;
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string out_text_, err_text_;
};

// The tool's end: the device opened and set up with plain POSIX calls.
class Port {
 public:
  explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    termios settings{};
    if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return;
    cfmakeraw(&settings);
    cfsetspeed(&settings, B9600);
    tcsetattr(fd_, TCSANOW, &settings);
  }
  ~Port() { Close(); }
  bool IsOpen() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  void SetSpeed(speed_t speed) {
    termios settings{};
    tcgetattr(fd_, &settings);
    cfsetspeed(&settings, speed);
    tcsetattr(fd_, TCSANOW, &settings);
  }

  void Write(const std::string& hex) {
    const Bytes bytes = FromHex(hex);
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Up to `count` bytes, as hex; fewer when the radio falls silent or hangs up.
  std::string Read(std::size_t count) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (bytes.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) != 1 || !(p.revents & POLLIN)) break;
      std::uint8_t buffer[256];
      const ssize_t got = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (got <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return ToHex(bytes);
  }

  // Whether the other end closes the terminal within the bound.
  bool HangsUp() {
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, kWaitMs) == 1 && (p.revents & POLLHUP);
  }

 private:
  int fd_ = -1;
};

// A log line "<ms with 3 decimals> <RX|TX> <baud> <hex pairs>" without its time
// (which goes to `ms`), or nothing when the line has another form.
std::optional<std::string> LogEntry(const std::string& line, double& ms) {
  std::istringstream in(line);
  std::string time, direction, baud;
  in >> time >> direction >> baud;
  const std::size_t point = time.find('.');
  const auto digits = [](const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (point == std::string::npos || !digits(time.substr(0, point)) || time.size() - point != 4 ||
      !digits(time.substr(point + 1)) || (direction != "RX" && direction != "TX") || !digits(baud))
    return std::nullopt;
  const std::string bytes = line.substr(time.size() + direction.size() + baud.size() + 2);
  if (bytes.empty() || bytes.size() % 3 != 0) return std::nullopt;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    const bool ok = i % 3 == 0 ? c == ' ' : (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    if (!ok) return std::nullopt;
  }
  ms = std::stod(time);
  return direction + " " + baud + bytes;
}

std::string Join(const std::string& head, std::span<const std::uint8_t> bytes) { return head + " " + ToHex(bytes); }

TEST(SimProgramTest, AnswersOverThePseudoTerminalAndLogsAndSavesEveryFrame) {
  TempDir dir;
  // A data file of a CV-104 (model identifier 31 30 34 55 20 56 43 00).
  Bytes file(block::kSize);
  std::copy(block::kFreshHeader.begin(), block::kFreshHeader.end(), file.begin());
  for (std::size_t i = 0; i < image::kSize; ++i) file[block::kImage + i] = static_cast<std::uint8_t>(i * 5 + 1);
  const Bytes modelId = FromHex("31 30 34 55 20 56 43 00");
  std::copy(modelId.begin(), modelId.end(), file.begin() + block::kImage + image::kModelId);
  for (std::size_t i = 0; i < block::kVoiceIdSize; ++i) file[block::kVoiceId + i] = static_cast<std::uint8_t>(0xA0 + i);
  WriteFile(dir.path / "radio.vxp", file);
  const std::span<const std::uint8_t> image(file.data() + block::kImage, image::kSize);

  const fs::path link = dir.path / "radio";
  SimProcess program({"--image", (dir.path / "radio.vxp").string(), "--save", (dir.path / "memory.bin").string(),
                      "--log", (dir.path / "wire.log").string(), "--link", link.string(), "--wire-timing"});
  ASSERT_TRUE(program.Started());
  const std::optional<std::string> first = program.ReadLine();
  ASSERT_TRUE(first) << program.Ending();
  ASSERT_TRUE(first->starts_with("PTY /dev/")) << *first;
  EXPECT_EQ(fs::read_symlink(link).string(), first->substr(4));

  Port port(link.string());
  ASSERT_TRUE(port.IsOpen());
  const std::string written = "0F 1E 2D 3C 4B 5A 69 78";
  port.Write("50 52 4F 47 52 41");
  port.Write("4D");
  EXPECT_EQ(port.Read(1), "06");
  port.Write("02");
  EXPECT_EQ(port.Read(8), "00 43 56 20 55 34 30 31");
  port.Write("06");
  EXPECT_EQ(port.Read(1), "06");
  port.Write("52 00 40 40");
  EXPECT_EQ(port.Read(68), Join("57 00 40 40", image.subspan(0x40, 0x40)));
  port.Write("77 00 80 08 " + written);
  EXPECT_EQ(port.Read(1), "06");
  port.Write(kSwitchToFast);
  EXPECT_EQ(port.Read(1), "06");
  port.SetSpeed(B38400);
  port.Write("52 03 D0 08");
  EXPECT_EQ(port.Read(12), Join("57 03 D0 08", modelId));
  port.Close();

  program.CloseInput();
  ASSERT_EQ(program.Wait(), 0) << program.Err();
  EXPECT_EQ(program.Out(), "");
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

  Bytes expected(sim::kMemorySize, image::kEmpty);
  std::copy(image.begin(), image.end(), expected.begin());
  const Bytes writtenBytes = FromHex(written);
  std::copy(writtenBytes.begin(), writtenBytes.end(), expected.begin() + 0x80);
  std::copy_n(file.begin() + block::kVoiceId, block::kVoiceIdSize, expected.begin() + sim::kVoiceIdAddress);
  const Bytes saved = ReadFile(dir.path / "memory.bin");
  EXPECT_TRUE(saved == expected) << FirstDifference(expected, saved);

  const std::vector<std::string> expectedLog = {
      "RX 9600 " + kProgram,
      "TX 9600 06",
      "RX 9600 02",
      "TX 9600 00 43 56 20 55 34 30 31",
      "RX 9600 06",
      "TX 9600 06",
      "RX 9600 52 00 40 40",
      Join("TX 9600 57 00 40 40", image.subspan(0x40, 0x40)),
      "RX 9600 77 00 80 08 " + written,
      "TX 9600 06",
      "RX 9600 " + kSwitchToFast,
      "TX 9600 06",
      "RX 38400 52 03 D0 08",
      Join("TX 38400 57 03 D0 08", modelId),
  };
  std::ifstream log(dir.path / "wire.log");
  std::vector<std::string> entries;
  double previous = 0;
  for (std::string line; std::getline(log, line);) {
    double ms = 0;
    const std::optional<std::string> entry = LogEntry(line, ms);
    ASSERT_TRUE(entry) << line;
    EXPECT_GE(ms, previous) << line;
    previous = ms;
    entries.push_back(*entry);
  }
  EXPECT_EQ(entries, expectedLog);
}

TEST(SimProgramTest, DisconnectFaultClosesTheTerminalWithoutStoringAndSaves) {
  TempDir dir;
  SimProcess program({"--fault", "disconnect:1", "--save", (dir.path / "memory.bin").string()});
  ASSERT_TRUE(program.Started());
  const std::optional<std::string> first = program.ReadLine();
  ASSERT_TRUE(first && first->starts_with("PTY ")) << program.Ending();
  Port port(first->substr(4));
  ASSERT_TRUE(port.IsOpen());
  port.Write(kProgram);
  EXPECT_EQ(port.Read(1), "06");
  port.Write("52 00 00 02");
  EXPECT_EQ(port.Read(6), "57 00 00 02 FF FF");
  port.Write("77 00 00 02 12 34");
  EXPECT_TRUE(port.HangsUp());
  EXPECT_EQ(port.Read(1), "");

  ASSERT_EQ(program.Wait(), 0) << program.Err();
  const Bytes saved = ReadFile(dir.path / "memory.bin");
  EXPECT_TRUE(saved == Bytes(sim::kMemorySize, image::kEmpty)) << FirstDifference(Bytes(sim::kMemorySize, 0xFF), saved);
}

TEST(SimProgramTest, TerminationSignalEndsCleanlyAndSaves) {
  TempDir dir;
  SimProcess program({"--band", "0000004700000040", "--save", (dir.path / "memory.bin").string()});
  ASSERT_TRUE(program.Started());
  ASSERT_TRUE(program.ReadLine()) << program.Ending();
  program.Signal(SIGTERM);
  ASSERT_EQ(program.Wait(), 0) << program.Err();

  Bytes expected(sim::kMemorySize, image::kEmpty);
  const Bytes band = FromHex("00 00 00 47 00 00 00 40");
  std::copy(band.begin(), band.end(), expected.begin() + image::kBandData);
  const Bytes saved = ReadFile(dir.path / "memory.bin");
  EXPECT_TRUE(saved == expected) << FirstDifference(expected, saved);
}

// A radio answers within the tool's 50 ms whatever else the computer runs, so the simulator
// runs ahead of ordinary programs (a parallel test run) where it may.
TEST(SimProgramTest, RunsAheadOfOrdinaryProgramsWhereAllowed) {
  if (geteuid() != 0) GTEST_SKIP() << "only a privileged user may raise a priority";
  SimProcess program({});
  ASSERT_TRUE(program.Started());
  ASSERT_TRUE(program.ReadLine()) << program.Ending();
  errno = 0;
  const int simNiceness = getpriority(PRIO_PROCESS, static_cast<id_t>(program.Pid()));
  ASSERT_EQ(errno, 0);
  EXPECT_LT(simNiceness, getpriority(PRIO_PROCESS, 0));
}

TEST(SimProgramTest, BadOptionsEndWithOneLineAndStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--fault", "short-reply"},
      {"--image", "/nonexistent/radio.vxp"},
  };
  for (const std::vector<std::string>& args : cases) {
    SimProcess program(args);
    ASSERT_TRUE(program.Started());
    program.CloseInput();
    EXPECT_EQ(program.Wait(), 2) << args[0];
    EXPECT_EQ(program.Out(), "") << args[0];
    EXPECT_EQ(std::count(program.Err().begin(), program.Err().end(), '\n'), 1) << program.Err();
  }
}

}  // namespace
