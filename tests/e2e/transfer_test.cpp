// Reading and writing a radio end to end: the real serial code on a pseudo-terminal,
// corvane-radio-sim on the other side.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <thread>

#include "link/serial.h"
#include "link/transfer.h"
#include "link/voice_package.h"
#include "link/wire.h"
#include "radio/document.h"
#include "settings/profile.h"
#include "tests/e2e/sim_process.h"
#include "tests/unit/test_support.h"

namespace {

// The band data of model 2 in the shipped settings.
constexpr const char* kModel2Band = "0000004700000040";

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Setup("autocom", "0");
    test::NewDocument(doc_, prompter_);
  }

  void Setup(const std::string& key, const std::string& value) {
    ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "setup", key, value));
  }
  void MapPort(int port, const std::string& device) {
    ASSERT_TRUE(profile::WriteString(files_.SettingsPath(), "ports", std::to_string(port), device));
  }
  // A radio on port 1, logging and saving its memory into the scratch folder.
  void StartRadio(std::vector<std::string> options) {
    radio_ = std::make_unique<test::RecordingRadio>(scratch_.Path(), std::move(options));
    MapPort(1, radio_->PtyPath());
  }
  const std::filesystem::path& Log() const { return radio_->Log(); }
  std::string SavedMemory() { return radio_->SavedMemory(); }

  // Some channels, so that images differ from an empty one.
  void FillChannels(CTavroPgmDoc& doc) {
    doc.SetChannelFrequency(1, true, "446.00625", prompter_);
    doc.SetChannelTone(1, true, "88.5");
    doc.SetChannelFrequency(2, true, "439.0125", prompter_);
    doc.SetChannelFrequency(2, false, "431.4125", prompter_);
    doc.SetMessageText("CORVANE TEST");
  }

  std::shared_ptr<TransferJob> Start(CTavroPgmDoc& doc, bool isRead, bool overwriteVoice = false,
                                     const CVoicePackage* packages = nullptr) {
    TransferOptions options;
    options.isRead = isRead;
    options.overwriteVoice = overwriteVoice;
    return TransferJob::Start(doc, port_, options, packages);
  }
  TransferState Finish(TransferJob& job, CTavroPgmDoc& doc) {
    job.Wait();
    job.HandOver(doc);
    return job.State();
  }
  // Waits, without polling, until the transfer leaves `from`.
  static TransferState WaitWhile(TransferJob& job, TransferState from) {
    job.Params().state.wait(from);
    return job.State();
  }

  test::ProgramDir home_;
  test::TempDir scratch_;
  AppFiles files_ = home_.Files();
  test::ScriptedPrompter prompter_;
  CTavroPgmDoc doc_{files_};
  CSerial port_{files_.SettingsPath()};
  std::unique_ptr<test::RecordingRadio> radio_;
};

std::string ImageOf(const std::string& memory) { return memory.substr(0, block::kImageSize); }
std::string ImageOf(CTavroPgmDoc& doc) {
  return std::string(reinterpret_cast<const char*>(doc.Image().data()), block::kImageSize);
}
std::string ImageOf(std::span<const std::uint8_t, block::kImageSize> image) {
  return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

// 32 distinct bytes from `first` on: a calibration area that tells where it came from.
std::string CalibrationPattern(int first) {
  std::string area;
  for (int k = 0; k < static_cast<int>(image::kCalibrationSize); ++k) area += static_cast<char>((first + 3 * k) & 0xFF);
  return area;
}
void SetCalibration(CTavroPgmDoc& doc, const std::string& area) {
  for (std::size_t k = 0; k < area.size(); ++k) doc.At(image::kCalibration + k) = static_cast<std::uint8_t>(area[k]);
}
// A radio's memory image: empty but for the band edges of model 2 and `area`.
std::string RadioImage(const std::string& area) {
  std::string image(block::kImageSize, '\xFF');
  const std::vector<std::uint8_t> band = test::BytesFromHex(kModel2Band);
  std::copy(band.begin(), band.end(), image.begin() + image::kBandData);
  image.replace(image::kCalibration, image::kCalibrationSize, area);
  return image;
}
// What a write sends of `doc`, with the radio's `area` when it is not empty.
std::string WrittenImage(CTavroPgmDoc& doc, const std::string& area) {
  std::string image = ImageOf(doc);
  image[image::kKeyAndVox] = static_cast<char>(image[image::kKeyAndVox] | image::key_and_vox::kTransferFlag);
  if (!area.empty()) image.replace(image::kCalibration, image::kCalibrationSize, area);
  return image;
}

TEST_F(TransferTest, ReadBringsTheRadiosImageOnBothGenerations) {
  for (const char* generation : {"1", "2"}) {
    SCOPED_TRACE(generation);
    CTavroPgmDoc source(files_);
    test::NewDocument(source, prompter_);
    FillChannels(source);
    source.VoiceId()[15] = 0x42;
    FileError error;
    ASSERT_TRUE(source.OnSaveDocument(scratch_ / "radio.vxp", error));
    StartRadio({"--generation", generation, "--image", (scratch_ / "radio.vxp").string()});

    CTavroPgmDoc target(files_);
    EXPECT_EQ(Finish(*Start(target, true), target), TransferState::ReadDone);
    EXPECT_EQ(ImageOf(target), ImageOf(source));
    EXPECT_EQ(target.ModelIndex(), 2);
    EXPECT_EQ(target.RadioVersion(), generation[0] == '1' ? 0x10 : 0x20);
    // Only the second generation reports its voice package.
    EXPECT_EQ(target.VoiceId()[15], generation[0] == '1' ? 0xCD : 0x42);
    EXPECT_EQ(ImageOf(SavedMemory()), ImageOf(source));
    port_.Close();
  }
}

TEST_F(TransferTest, WriteLeavesTheImageInTheRadioOnBothGenerations) {
  FillChannels(doc_);
  for (const char* generation : {"1", "2"}) {
    SCOPED_TRACE(generation);
    StartRadio({"--generation", generation, "--band", kModel2Band});
    EXPECT_EQ(Finish(*Start(doc_, false), doc_), TransferState::WriteDone);
    std::string expected = ImageOf(doc_);
    expected[image::kKeyAndVox] = static_cast<char>(expected[image::kKeyAndVox] | image::key_and_vox::kTransferFlag);
    EXPECT_EQ(ImageOf(SavedMemory()), expected);
    port_.Close();
  }
}

TEST_F(TransferTest, FirstGenerationReadSpeaksTheFramesInOrder) {
  StartRadio({"--generation", "1"});
  CTavroPgmDoc target(files_);
  ASSERT_EQ(Finish(*Start(target, true), target), TransferState::ReadDone);
  radio_->Stop();
  std::string sent;  // everything the tool sent, in order
  for (const test::LogFrame& frame : test::ReadSimLog(Log()))
    if (frame.received) sent += (sent.empty() ? "" : " ") + frame.bytes;
  std::string expected = "50 52 4F 47 52 41 4D 02 06 72";
  for (int block = 0; block < 128; ++block) {
    char request[32];
    std::snprintf(request, sizeof request, " 52 %02X %02X 08 06", (block * 8) >> 8, (block * 8) & 0xFF);
    expected += request;
  }
  EXPECT_EQ(sent, expected);
}

TEST_F(TransferTest, SecondGenerationSwitchesTo38400AndStaysThere) {
  StartRadio({"--generation", "2"});
  CTavroPgmDoc target(files_);
  ASSERT_EQ(Finish(*Start(target, true), target), TransferState::ReadDone);
  EXPECT_EQ(port_.BaudRate(), CSerial::kFastBaud);
  radio_->Stop();
  bool switched = false;
  for (const test::LogFrame& frame : test::ReadSimLog(Log())) {
    if (!frame.received) continue;
    if (switched) {
      EXPECT_EQ(frame.baud, 38400) << frame.bytes;
    }
    if (frame.bytes == "4B 00 00 08 00 80 00 00 00 00 00 00") switched = true;
  }
  EXPECT_TRUE(switched);
}

TEST_F(TransferTest, ProgressOfTheFirstGenerationStepsThroughWholePercents) {
  std::vector<int> steps;
  for (std::size_t block = 0; block <= 128; ++block) steps.push_back(ImageProgress(block, 8));
  EXPECT_EQ(std::vector<int>(steps.begin(), steps.begin() + 6), (std::vector<int>{0, 0, 1, 2, 3, 3}));
  EXPECT_EQ(steps.back(), 100);
  for (std::size_t i = 1; i < steps.size(); ++i) EXPECT_LE(steps[i] - steps[i - 1], 1);
  EXPECT_EQ(ImageProgress(16, 64), 100);
}

TEST_F(TransferTest, PortSearchFindsTheRadioAndKeepsThePortOnlyAfterItIdentified) {
  // Ports 1 to 4: terminals nobody answers on.
  std::vector<int> silent;
  for (int port = 1; port <= 4; ++port) {
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    silent.insert(silent.end(), {master, slave});
    MapPort(port, name);
  }
  radio_ = std::make_unique<test::RecordingRadio>(scratch_.Path(), std::vector<std::string>{"--generation", "2"});
  MapPort(5, radio_->PtyPath());
  Setup("com", "1");

  Setup("autocom", "0");
  CTavroPgmDoc target(files_);
  EXPECT_EQ(Finish(*Start(target, true), target), TransferState::NoLink);
  EXPECT_EQ(profile::GetInt(files_.SettingsPath(), "setup", "com", 0), 1);

  port_.Close();
  Setup("autocom", "1");
  EXPECT_EQ(Finish(*Start(target, true), target), TransferState::ReadDone);
  EXPECT_EQ(profile::GetInt(files_.SettingsPath(), "setup", "com", 0), 5);
  EXPECT_EQ(port_.DevicePath(), radio_->PtyPath());
  for (int fd : silent) ::close(fd);
}

// Terminals nobody answers on, mapped to ports 1 to `count`; closed with the fixture.
class SilentPorts {
 public:
  SilentPorts(int count, const std::function<void(int, const std::string&)>& map) {
    for (int port = 1; port <= count; ++port) {
      int master = -1, slave = -1;
      char name[256];
      if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
      fds_.insert(fds_.end(), {master, slave});
      map(port, name);
    }
  }
  ~SilentPorts() {
    for (int fd : fds_) ::close(fd);
  }

 private:
  std::vector<int> fds_;
};

TEST_F(TransferTest, ACancelEndsThePortSearchAtTheNextPort) {
  constexpr int kSilentPorts = 12;
  const SilentPorts silent(kSilentPorts, [this](int port, const std::string& name) { MapPort(port, name); });
  Setup("com", "1");
  Setup("autocom", "1");
  CTavroPgmDoc target(files_);
  const std::shared_ptr<TransferJob> job = Start(target, true);
  TransferState state = job->State();
  while (state != TransferState::SearchingPort && !IsFinal(state)) state = WaitWhile(*job, state);
  ASSERT_EQ(state, TransferState::SearchingPort);
  job->Cancel();
  job->Wait();
  EXPECT_EQ(job->State(), TransferState::NoLink);
  // The port the search had opened when it stopped: far from the last silent one.
  EXPECT_LT(job->Params().progress.load(), kSilentPorts);
  EXPECT_EQ(profile::GetInt(files_.SettingsPath(), "setup", "com", 0), 1);
}

// The cable and the radio get 100 ms after the port opened before the first handshake letter,
// also when the caller opened the port itself.
TEST_F(TransferTest, APortOpenedByTheCallerSettlesBeforeTheHandshake) {
  int master = -1, slave = -1;
  char name[256];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  ASSERT_TRUE(port_.OpenDevice(name));
  const auto opened = std::chrono::steady_clock::now();
  CTavroPgmDoc target(files_);
  const std::shared_ptr<TransferJob> job = Start(target, true);
  pollfd ready{master, POLLIN, 0};
  ASSERT_EQ(::poll(&ready, 1, 10000), 1);
  const auto firstByte = std::chrono::steady_clock::now();
  char letter = 0;
  ASSERT_EQ(::read(master, &letter, 1), 1);
  EXPECT_EQ(letter, 'P');
  EXPECT_GE(firstByte - opened, std::chrono::milliseconds(wire::kPortSettleMs));
  EXPECT_EQ(Finish(*job, target), TransferState::NoLink);
  ::close(master);
  ::close(slave);
}

TEST_F(TransferTest, EveryFaultEndsInItsState) {
  struct Case {
    std::vector<std::string> options;
    bool isRead;
    TransferState state;
  };
  const std::vector<Case> cases = {
      {{"--fault", "no-handshake"}, true, TransferState::NoLink},
      {{"--fault", "slow-reply:200"}, true, TransferState::NoLink},  // later than any wait
      {{"--fault", "short-id"}, true, TransferState::WrongType},
      {{"--fault", "no-version"}, true, TransferState::WrongType},
      {{"--generation", "1", "--fault", "short-reply:3"}, true, TransferState::ReadFailed},
      {{"--generation", "1", "--fault", "wrong-address:3"}, true, TransferState::ReadFailed},
      {{"--generation", "2", "--fault", "wrong-address:15"}, true, TransferState::ReadFailed},
      {{"--generation", "2", "--fault", "disconnect:5"}, true, TransferState::ReadFailed},
      {{"--generation", "1", "--band", kModel2Band, "--fault", "no-ack:7"}, false, TransferState::WriteFailed},
      // Frames 0 to 4 read the band edges and the calibration area; 8 is the third write frame.
      {{"--generation", "2", "--band", kModel2Band, "--fault", "disconnect:8"}, false, TransferState::WriteFailed},
  };
  FillChannels(doc_);
  const std::string before = ImageOf(doc_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back());
    StartRadio(c.options);
    EXPECT_EQ(Finish(*Start(doc_, c.isRead), doc_), c.state);
    // A failed read leaves the document as it was.
    EXPECT_EQ(ImageOf(doc_), before);
    radio_->Stop();
    port_.Close();
  }
}

// Each radio keeps its own alignment values and password block: the write reads them right
// after the band edges (or after the handshake again for another model the user accepted),
// before the version query, and sends them back. Only when asked does the file's area go in.
TEST_F(TransferTest, AWriteKeepsTheRadiosOwnCalibrationAreaUnlessAskedForTheFiles) {
  FillChannels(doc_);
  const std::string fileArea = CalibrationPattern(0x10);
  SetCalibration(doc_, fileArea);
  const std::string before = ImageOf(doc_);
  const std::string radioArea = CalibrationPattern(0x90);
  const std::string radioImage = scratch_.Write("radio.bin", RadioImage(radioArea)).string();
  const std::string connect = "50 52 4F 47 52 41 4D 02";
  const std::string bandEdges = " 06 52 03 50 08 06";
  const std::string otherModelConfirmed = " 50 52 4F 47 52 41 4D 02 06";
  const std::string calibrationReads = " 52 03 E0 08 06 52 03 E8 08 06 52 03 F0 08 06 52 03 F8 08 06";
  const struct {
    const char* generation;
    bool writeCalibration;
    bool otherModel;
    std::string untilVersionQuery;  // what the tool sent before 'r'
  } cases[] = {
      {"1", false, false, connect + bandEdges + calibrationReads},
      {"2", false, false, connect + bandEdges + calibrationReads},
      {"2", true, false, connect + bandEdges},
      {"1", false, true, connect + otherModelConfirmed + calibrationReads},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.generation) + (c.writeCalibration ? " with calibration" : "") +
                 (c.otherModel ? " other model" : ""));
    std::vector<std::string> options = {"--generation", c.generation, "--image", radioImage};
    if (c.otherModel) options.insert(options.end(), {"--model-id", "0102030405060708"});
    StartRadio(options);
    TransferOptions transfer;
    transfer.isRead = false;
    transfer.writeCalibration = c.writeCalibration;
    const std::shared_ptr<TransferJob> job = TransferJob::Start(doc_, port_, transfer, nullptr);
    if (c.otherModel) {
      TransferState state = job->State();
      while (state != TransferState::ConfirmType && !IsFinal(state)) state = WaitWhile(*job, state);
      ASSERT_TRUE(AnswerTypeQuestion(job->Params(), true));
    }
    ASSERT_EQ(Finish(*job, doc_), TransferState::WriteDone);
    const std::string written = WrittenImage(doc_, c.writeCalibration ? "" : radioArea);
    EXPECT_EQ(ImageOf(SavedMemory()), written);
    EXPECT_EQ(ImageOf(job->Image()), written);  // what a verification compares with
    EXPECT_EQ(ImageOf(doc_), before);            // a write never changes the document
    std::string sent;
    for (const test::LogFrame& frame : test::ReadSimLog(Log())) {
      if (!frame.received) continue;
      if (frame.bytes == "72") break;
      sent += (sent.empty() ? "" : " ") + frame.bytes;
    }
    EXPECT_EQ(sent, c.untilVersionQuery);
    port_.Close();
  }
}

// A calibration area that cannot be read stops the write before its first write frame: the
// radio keeps all it held.
TEST_F(TransferTest, AFailedCalibrationReadEndsTheWriteBeforeAnyWriteFrame) {
  FillChannels(doc_);
  const std::string radioImage = RadioImage(CalibrationPattern(0x90));
  const std::string radioFile = scratch_.Write("radio.bin", radioImage).string();
  // Read frame 0 asks for the band edges, 1 to 4 for the calibration area.
  const struct {
    const char* generation;
    const char* fault;
  } cases[] = {{"1", "short-reply:1"}, {"2", "wrong-address:4"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    StartRadio({"--generation", c.generation, "--image", radioFile, "--fault", c.fault});
    EXPECT_EQ(Finish(*Start(doc_, false), doc_), TransferState::ReadFailed);
    EXPECT_EQ(ImageOf(SavedMemory()), radioImage);
    for (const test::LogFrame& frame : test::ReadSimLog(Log()))
      EXPECT_FALSE(frame.received && (frame.bytes.starts_with("77 ") || frame.bytes == "72")) << frame.bytes;
    port_.Close();
  }
}

TEST_F(TransferTest, AnotherModelIsOverwrittenOnlyWhenTheUserAgrees) {
  FillChannels(doc_);
  for (const bool agree : {false, true}) {
    SCOPED_TRACE(agree);
    StartRadio({"--generation", "1", "--model-id", "0102030405060708", "--band", kModel2Band});
    const std::shared_ptr<TransferJob> job = Start(doc_, false);
    TransferState state = job->State();
    while (state != TransferState::ConfirmType && !IsFinal(state)) state = WaitWhile(*job, state);
    ASSERT_EQ(state, TransferState::ConfirmType);
    job->Params().state.store(agree ? TransferState::Idle : TransferState::WrongType);
    const TransferState final = Finish(*job, doc_);
    const std::string memory = SavedMemory();
    if (agree) {
      EXPECT_EQ(final, TransferState::WriteDone);
      EXPECT_EQ(memory.substr(image::ChannelOffset(1), 4), std::string("\x25\x06\x60\x44", 4));
    } else {
      EXPECT_EQ(final, TransferState::NoLink);
      EXPECT_EQ(memory.substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));
    }
    port_.Close();
  }
}

// Run on the caller's own thread (no worker), the transfer takes the answer to the model
// question given beforehand and ends as the worker would.
TEST_F(TransferTest, ATransferRunOnTheCallersThreadTakesTheAnswerGivenBeforehand) {
  FillChannels(doc_);
  for (const bool agree : {false, true}) {
    SCOPED_TRACE(agree);
    StartRadio({"--generation", "1", "--model-id", "0102030405060708", "--band", kModel2Band});
    TransferOptions options;
    options.isRead = false;
    const std::shared_ptr<TransferJob> job = TransferJob::Prepare(doc_, port_, options, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->State(), TransferState::Idle);  // nothing runs before Run()
    job->Params().presetTypeAnswer = agree;
    job->Run();
    const TransferState final = Finish(*job, doc_);
    const std::string memory = SavedMemory();
    EXPECT_EQ(final, agree ? TransferState::WriteDone : TransferState::NoLink);
    EXPECT_EQ(memory.substr(image::ChannelOffset(1), 4),
              agree ? std::string("\x25\x06\x60\x44", 4) : std::string(4, '\xFF'));
    port_.Close();
  }
}

TEST_F(TransferTest, AnUnansweredTypeQuestionEndsTheTransfer) {
  FillChannels(doc_);
  StartRadio({"--generation", "1", "--model-id", "0102030405060708", "--band", kModel2Band});
  const std::shared_ptr<TransferJob> job = Start(doc_, false);
  // Nobody answers: the worker gives up after its 30001 polls.
  EXPECT_EQ(Finish(*job, doc_), TransferState::NoLink);
  EXPECT_EQ(SavedMemory().substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));
}

TEST_F(TransferTest, CancelStopsAtABlockAndLeavesThePortUsable) {
  StartRadio({"--generation", "1", "--wire-timing"});
  CTavroPgmDoc target(files_);
  const std::string before = ImageOf(target);
  const std::shared_ptr<TransferJob> job = Start(target, true);
  TransferState state = job->State();
  while (state != TransferState::Reading && !IsFinal(state)) state = WaitWhile(*job, state);
  job->Cancel();
  job->Wait();
  EXPECT_FALSE(job->HandOver(target));
  EXPECT_LT(job->Params().progress.load(), 100);
  EXPECT_EQ(ImageOf(target), before);
  // The same port reads the radio afresh.
  port_.Close();
  EXPECT_EQ(Finish(*Start(target, true), target), TransferState::ReadDone);
}

// Voice packages: a radio that already holds the package gets none; one that holds another
// gets the invalidation frame and every non-empty block in address order.
class VoiceTransferTest : public TransferTest {
 protected:
  // A package file whose voice data has non-empty blocks at the given offsets.
  void WritePackage(const std::string& name, std::uint8_t idByte, const std::vector<std::size_t>& blocks) {
    std::string content(CVoicePackage::kFileSize, '\xFF');
    for (std::size_t block : blocks) content[block] = 0x11;
    std::string id(16, '\0');
    id[15] = static_cast<char>(idByte);
    content.replace(CVoicePackage::kIdentifier, 16, id);
    home_.Write(name, content);
  }
  std::vector<std::string> VoiceFramesSent() {
    std::vector<std::string> frames;
    for (const test::LogFrame& frame : test::ReadSimLog(Log()))
      if (frame.received && frame.bytes.starts_with("77 ") && frame.bytes.substr(3, 2) >= "04")
        frames.push_back(frame.bytes.substr(0, 11));
    return frames;
  }
};

TEST_F(VoiceTransferTest, SendsOnlyWhatTheRadioLacks) {
  WritePackage("a.enc", 0x01, {0x0400, 0x1000});
  const CVoicePackage packages(home_.Path());
  ASSERT_EQ(packages.Count(), 1u);
  std::copy_n(packages.IdentifierOf(0).begin(), 16, doc_.VoiceId().begin());
  std::string radioPackage(CVoicePackage::kFileSize, '\xFF');
  radioPackage.replace(CVoicePackage::kIdentifier, 16, std::string(reinterpret_cast<const char*>(packages.IdentifierOf(0).data()), 16));
  const std::filesystem::path radioVoice = scratch_.Write("radio.enc", radioPackage);

  struct Case {
    bool radioHasPackage;
    bool overwrite;
    std::vector<std::string> frames;
  };
  // The identifier sits in the last block, so that block always travels with the data.
  const std::vector<std::string> all = {"77 7F F8 08", "77 04 00 40", "77 10 00 40", "77 7F C0 40"};
  const std::vector<Case> cases = {{true, false, {}}, {true, true, all}, {false, false, all}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.radioHasPackage) + std::to_string(c.overwrite));
    std::vector<std::string> options = {"--generation", "2", "--band", kModel2Band};
    if (c.radioHasPackage) options.insert(options.end(), {"--voice", radioVoice.string()});
    StartRadio(options);
    EXPECT_EQ(Finish(*Start(doc_, false, c.overwrite, &packages), doc_), TransferState::WriteDone);
    const std::string memory = SavedMemory();
    EXPECT_EQ(VoiceFramesSent(), c.frames);
    if (!c.frames.empty()) {
      EXPECT_EQ(memory[0x1000], '\x11');
    }
    port_.Close();
  }
}

TEST_F(VoiceTransferTest, AnEmptyPackageSendsOnlyTheInvalidationAndNoPackageSendsNothing) {
  WritePackage("empty.enc", 0x02, {});
  std::string content = test::ReadAll(home_.Path() / "empty.enc");
  std::fill(content.begin() + CVoicePackage::kVoiceData, content.end(), '\xFF');
  home_.Write("empty.enc", content);
  const CVoicePackage packages(home_.Path());
  StartRadio({"--generation", "2", "--band", kModel2Band});
  EXPECT_EQ(Finish(*Start(doc_, false, true, &packages), doc_), TransferState::WriteDone);
  SavedMemory();
  EXPECT_EQ(VoiceFramesSent(), std::vector<std::string>{"77 7F F8 08"});
  port_.Close();

  // Without any package the configuration is still written and the radio's voice data kept.
  const CVoicePackage none(scratch_.Path() / "no-such-folder");
  StartRadio({"--generation", "2", "--band", kModel2Band});
  EXPECT_EQ(Finish(*Start(doc_, false, false, &none), doc_), TransferState::WriteDone);
  SavedMemory();
  EXPECT_TRUE(VoiceFramesSent().empty());
}

// Voice data asked for ("Overwrite voice data") that cannot be read stops the write before
// anything is sent; without the option the configuration alone is written, as always.
TEST_F(VoiceTransferTest, VoiceDataThatCannotBeReadIsAFileErrorOnlyWhenAskedFor) {
  WritePackage("gone.enc", 0x03, {0x0400});
  const CVoicePackage listed(home_.Path());
  ASSERT_EQ(listed.Count(), 1u);
  std::filesystem::remove(home_.Path() / "gone.enc");  // after the catalogue was made
  const CVoicePackage none(home_.Path());
  ASSERT_EQ(none.Count(), 0u);
  struct Case {
    const char* name;
    const CVoicePackage* packages;
    bool overwrite;
    std::filesystem::path errorPath;  // empty: the configuration is written
  };
  const std::vector<Case> cases = {
      {"package file gone, overwrite", &listed, true, home_.Path() / "gone.enc"},
      {"no package, overwrite", &none, true, home_.Path() / "*.enc"},
      {"package file gone", &listed, false, {}},
      {"no package", &none, false, {}},
  };
  FillChannels(doc_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartRadio({"--generation", "2", "--band", kModel2Band});
    TransferOptions options;
    options.isRead = false;
    options.overwriteVoice = c.overwrite;
    FileError error;
    const std::shared_ptr<TransferJob> job = TransferJob::Start(doc_, port_, options, c.packages, &error);
    if (!c.errorPath.empty()) {
      EXPECT_EQ(job, nullptr);
      EXPECT_EQ(error.textKey, "IDS_ERROR_OPENFILE");
      EXPECT_EQ(error.path, c.errorPath);
      EXPECT_EQ(error.systemError, ENOENT);
      EXPECT_EQ(SavedMemory().substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));
      EXPECT_TRUE(test::ReadSimLog(Log()).empty());
    } else {
      ASSERT_NE(job, nullptr);
      EXPECT_EQ(Finish(*job, doc_), TransferState::WriteDone);
      EXPECT_EQ(SavedMemory().substr(image::ChannelOffset(1), 4), ImageOf(doc_).substr(image::ChannelOffset(1), 4));
      EXPECT_TRUE(VoiceFramesSent().empty());
    }
    port_.Close();
  }
}

// corvane-cli read and write, as a script uses them.
class CliTransferTest : public TransferTest {
 protected:
  using Result = test::ProgramRun;
  std::deque<test::TempDir> radioFolders_;  // outlive the radios that keep their files there
  Result Cli(const std::vector<std::string>& args) {
    return test::RunProgram(CORVANE_CLI_PATH, home_.Path(), scratch_.Path(), args);
  }
};

TEST_F(CliTransferTest, ReadSavesTheRadioAndWriteAsksBeforeAnotherModel) {
  FillChannels(doc_);
  FileError error;
  ASSERT_TRUE(doc_.OnSaveDocument(scratch_ / "mine.vxp", error));
  StartRadio({"--generation", "2", "--image", (scratch_ / "mine.vxp").string()});
  const std::string read = (scratch_ / "read.vxp").string();
  ASSERT_EQ(Cli({"read", "--device", radio_->PtyPath(), read}).status, 0);
  CTavroPgmDoc copy(files_);
  ASSERT_EQ(copy.OnOpenDocument(read, prompter_, error), CTavroPgmDoc::OpenOutcome::Opened);
  EXPECT_EQ(ImageOf(copy), ImageOf(doc_));
  radio_->Stop();

  // Another model, no terminal and no --yes: the answer is no and nothing is written.
  StartRadio({"--generation", "2", "--model-id", "0102030405060708"});
  const Result declined = Cli({"write", "--device", radio_->PtyPath(), read});
  EXPECT_NE(declined.status, 0);
  EXPECT_NE(declined.err.find(files_.GetText("IDS_CONFIRM_TYPE")), std::string::npos) << declined.err;
  EXPECT_EQ(SavedMemory().substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));

  StartRadio({"--generation", "2", "--model-id", "0102030405060708"});
  EXPECT_EQ(Cli({"write", "--yes", "--device", radio_->PtyPath(), read}).status, 0);
  EXPECT_EQ(ImageOf(SavedMemory()).substr(image::ChannelOffset(1), 16), ImageOf(doc_).substr(image::ChannelOffset(1), 16));
}

TEST_F(CliTransferTest, OverwriteVoiceWithoutAPackageFailsBeforeAnythingIsSent) {
  FillChannels(doc_);
  FileError error;
  const std::string file = (scratch_ / "mine.vxp").string();
  ASSERT_TRUE(doc_.OnSaveDocument(file, error));

  // No voice package beside the program.
  StartRadio({"--generation", "2", "--band", kModel2Band});
  const Result refused = Cli({"write", "--overwrite-voice", "--device", radio_->PtyPath(), file});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.err.starts_with(files_.GetText("IDS_ERROR_OPENFILE") + " ")) << refused.err;
  EXPECT_NE(refused.err.find((home_.Path() / "*.enc").string()), std::string::npos) << refused.err;
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
  EXPECT_EQ(SavedMemory().substr(image::ChannelOffset(1), 4), std::string(4, '\xFF'));
  EXPECT_TRUE(test::ReadSimLog(Log()).empty());

  // Not asked for: the configuration is written.
  StartRadio({"--generation", "2", "--band", kModel2Band});
  const Result written = Cli({"write", "--device", radio_->PtyPath(), file});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(SavedMemory().substr(image::ChannelOffset(1), 4), ImageOf(doc_).substr(image::ChannelOffset(1), 4));
}

// A device named on the command line is opened before the transfer starts; the cable and
// the radio still get their 100 ms before the first handshake letter.
TEST_F(CliTransferTest, ANamedDeviceSettlesBeforeTheHandshake) {
  int master = -1, slave = -1;
  char name[256];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  // Nothing answers: the read ends with no link after the handshake.
  const auto started = std::chrono::steady_clock::now();  // before the command opens the device
  std::thread read([&] { Cli({"read", "--device", name, (scratch_ / "never.vxp").string()}); });
  pollfd ready{master, POLLIN, 0};
  const int polled = ::poll(&ready, 1, 10000);
  const auto firstByte = std::chrono::steady_clock::now();
  char letter = 0;
  const ssize_t got = polled == 1 ? ::read(master, &letter, 1) : -1;
  read.join();
  ::close(master);
  ::close(slave);
  ASSERT_EQ(got, 1);
  EXPECT_EQ(letter, 'P');
  EXPECT_GE(firstByte - started, std::chrono::milliseconds(wire::kPortSettleMs));
}

TEST_F(CliTransferTest, AFailedReadReportsItsMessageAndWritesNoFile) {
  StartRadio({"--fault", "no-handshake"});
  const std::string file = (scratch_ / "never.vxp").string();
  const Result result = Cli({"read", "--device", radio_->PtyPath(), file});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, files_.GetText("IDS_ERROR_PORTCONN") + "\n");
  EXPECT_FALSE(std::filesystem::exists(file));
}

// write --verify and verify: a sound radio holds what was written; a radio that stores one
// byte wrongly (the first byte of channel 1, in the third 8-byte block) fails with the
// field named, after the write and when verified again later.
TEST_F(CliTransferTest, VerifyReportsTheFieldARadioDidNotStore) {
  FillChannels(doc_);
  FileError error;
  const std::string file = (scratch_ / "mine.vxp").string();
  ASSERT_TRUE(doc_.OnSaveDocument(file, error));
  struct Case {
    std::vector<std::string> faults;
    int status;
    std::string difference;  // the first line after the failure text
  };
  const Case cases[] = {
      {{}, 0, ""},
      {{"--fault", "corrupt-write:2"}, 1, "CH 1 / RX Freq [MHz] (150.1.1): 446.006250 -> "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    std::vector<std::string> options = {"--generation", "1", "--band", kModel2Band};
    options.insert(options.end(), c.faults.begin(), c.faults.end());
    StartRadio(options);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"write", "--verify", "--device", radio_->PtyPath(), file},
          std::vector<std::string>{"verify", "--device", radio_->PtyPath(), file}}) {
      SCOPED_TRACE(command[0]);
      const Result result = Cli(command);
      EXPECT_EQ(result.status, c.status) << result.err;
      if (c.status == 0) {
        EXPECT_EQ(result.out, files_.GetText("IDS_PROMPT_VERIFYOK") + "\n");
        EXPECT_EQ(result.err.find(files_.GetText("IDS_PROMPT_VERIFYFAIL")), std::string::npos) << result.err;
      } else {
        EXPECT_EQ(result.out, "");
        const std::string failure = files_.GetText("IDS_PROMPT_VERIFYFAIL") + "\n" + c.difference;
        EXPECT_NE(result.err.find(failure), std::string::npos) << result.err;
      }
    }
    // What the radio holds: the configuration, but for the one corrupted byte.
    std::string expected = ImageOf(doc_);
    expected[image::kKeyAndVox] = static_cast<char>(expected[image::kKeyAndVox] | image::key_and_vox::kTransferFlag);
    if (c.status != 0) expected[image::ChannelOffset(1)] = static_cast<char>(expected[image::ChannelOffset(1)] ^ 0xFF);
    EXPECT_EQ(ImageOf(SavedMemory()), expected);
  }
}

// A fleet write keeps each radio's own alignment values and password block, and --verify
// compares each radio with what was sent to it; --with-calibration writes the file's area
// into every radio. A verification on its own compares as a write would leave the radio.
TEST_F(CliTransferTest, EachRadioKeepsItsOwnCalibrationAreaUnlessTheFilesIsAskedFor) {
  FillChannels(doc_);
  SetCalibration(doc_, CalibrationPattern(0x10));
  FileError error;
  const std::string file = (scratch_ / "mine.vxp").string();
  ASSERT_TRUE(doc_.OnSaveDocument(file, error));
  const std::vector<std::string> radioAreas = {CalibrationPattern(0x50), CalibrationPattern(0x90)};
  for (const bool withCalibration : {false, true}) {
    SCOPED_TRACE(withCalibration);
    std::vector<std::unique_ptr<test::RecordingRadio>> radios;
    std::vector<std::string> args = {"write", "--verify"};
    if (withCalibration) args.push_back("--with-calibration");
    for (std::size_t i = 0; i < radioAreas.size(); ++i) {
      const test::TempDir& folder = radioFolders_.emplace_back();
      const std::string image = folder.Write("radio.bin", RadioImage(radioAreas[i])).string();
      radios.push_back(std::make_unique<test::RecordingRadio>(
          folder.Path(), std::vector<std::string>{"--generation", "2", "--image", image}));
      args.insert(args.end(), {"--device", radios.back()->PtyPath()});
    }
    args.push_back(file);
    const Result written = Cli(args);
    EXPECT_EQ(written.status, 0) << written.err;

    // The first radio, verified on its own: its area differs from the file's only when kept.
    const Result verified = Cli({"verify", "--device", radios[0]->PtyPath(), file});
    EXPECT_EQ(verified.status, 0) << verified.err;
    const Result strict = Cli({"verify", "--with-calibration", "--device", radios[0]->PtyPath(), file});
    EXPECT_EQ(strict.status, withCalibration ? 0 : 1) << strict.err;
    EXPECT_EQ(strict.err.find(files_.GetText("IDS_PROMPT_VERIFYFAIL")) != std::string::npos, !withCalibration)
        << strict.err;
    for (std::size_t i = 0; i < radios.size(); ++i)
      EXPECT_EQ(ImageOf(radios[i]->SavedMemory()), WrittenImage(doc_, withCalibration ? "" : radioAreas[i]));
  }
}

// A port named on the command line is the only one tried: with nothing answering there, the
// radio a search would find (port 1) is never reached and "com" is not rewritten.
TEST_F(CliTransferTest, ANamedPortIsTheOnlyPortTried) {
  FileError error;
  const std::string file = (scratch_ / "mine.vxp").string();
  ASSERT_TRUE(doc_.OnSaveDocument(file, error));
  const std::string calibration = scratch_.Write("cal.txt", "model=3730345520564300\nVoltage=12\n").string();
  StartRadio({"--generation", "2", "--band", kModel2Band});
  const SilentPorts silent(1, [this](int, const std::string& name) { MapPort(2, name); });
  Setup("com", "3");
  Setup("autocom", "1");
  const std::string settings = test::ReadAll(files_.SettingsPath());
  const std::string out = (scratch_ / "never-written").string();
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"read", "--port", "2", out}, "IDS_ERROR_PORTCONN"},
      {{"write", "--port", "2", file}, "IDS_ERROR_PORTCONN"},
      {{"verify", "--port", "2", file}, "IDS_ERROR_PORTCONN"},
      {{"password", "--port", "2", "--low-power", "on"}, "IDS_ERROR_PORTCONN"},
      {{"calibration", "read", "--port", "2", out}, "IDS_FAILED_CONNECT"},
      {{"calibration", "write", "--port", "2", calibration}, "IDS_FAILED_CONNECT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const Result result = Cli(c.args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, files_.GetText(c.message) + "\n");
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(test::ReadAll(files_.SettingsPath()), settings);
  radio_->Stop();
  EXPECT_TRUE(test::ReadSimLog(Log()).empty());
}

// Protocol bytes never go into a file named as the device: a path that is no character
// device is refused before anything is written, with a message that says so.
TEST_F(CliTransferTest, APathThatIsNoCharacterDeviceIsRefused) {
  FileError error;
  const std::string victim = (scratch_ / "victim.vxp").string();
  ASSERT_TRUE(doc_.OnSaveDocument(victim, error));
  const std::string before = test::ReadAll(victim);
  const std::string folder = scratch_.Path().string();
  const std::string out = (scratch_ / "never-written").string();
  const std::vector<std::vector<std::string>> commands = {
      {"write", "--device", victim, victim},
      {"read", "--device", folder, out},
      {"password", "--device", victim, "--low-power", "on"},
      {"calibration", "read", "--device", victim, out},
  };
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(args[0]);
    const std::string& device = *(std::find(args.begin(), args.end(), "--device") + 1);
    const Result result = Cli(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, device + ": " + files_.GetText("IDS_ERROR_NOTSERIAL") + "\n");
  }
  EXPECT_EQ(test::ReadAll(victim), before);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// One configuration to three radios at once, one of which never answers: the other two
// hold it, each radio has its result line, and the silent one is named in the failure.
TEST_F(CliTransferTest, AFleetWriteReportsEachRadioAndNamesTheSilentOne) {
  FillChannels(doc_);
  FileError error;
  const std::string file = (scratch_ / "mine.vxp").string();
  ASSERT_TRUE(doc_.OnSaveDocument(file, error));
  std::vector<std::unique_ptr<test::RecordingRadio>> radios;
  for (const char* name : {"first", "silent", "third"}) {
    std::filesystem::create_directory(scratch_ / name);
    std::vector<std::string> options = {"--generation", "2", "--band", kModel2Band};
    if (std::string(name) == "silent") options.insert(options.end(), {"--fault", "no-handshake"});
    radios.push_back(std::make_unique<test::RecordingRadio>(scratch_ / name, options));
  }
  std::vector<std::string> args = {"write", "--verify"};
  for (const auto& radio : radios) args.insert(args.end(), {"--device", radio->PtyPath()});
  args.push_back(file);

  const Result result = Cli(args);
  EXPECT_EQ(result.status, 1) << result.err;
  const std::string ok = files_.GetText("IDS_CLI_RADIO_OK");
  EXPECT_EQ(result.out, radios[0]->PtyPath() + ": " + ok + "\n" + radios[2]->PtyPath() + ": " + ok + "\n");
  EXPECT_NE(result.err.find(radios[1]->PtyPath() + ": " + files_.GetText("IDS_ERROR_PORTCONN") + "\n"), std::string::npos)
      << result.err;
  EXPECT_TRUE(result.err.ends_with(files_.GetText("IDS_CLI_RADIOS_FAILED") + " " + radios[1]->PtyPath() + "\n"))
      << result.err;
  std::string expected = ImageOf(doc_);
  expected[image::kKeyAndVox] = static_cast<char>(expected[image::kKeyAndVox] | image::key_and_vox::kTransferFlag);
  EXPECT_EQ(ImageOf(radios[0]->SavedMemory()), expected);
  EXPECT_EQ(ImageOf(radios[2]->SavedMemory()), expected);
  EXPECT_EQ(radios[1]->SavedMemory().substr(image::ChannelOffset(1), 16), std::string(16, '\xFF'));

  // The same radio twice would have two workers talk over each other.
  EXPECT_EQ(Cli({"write", "--device", radios[0]->PtyPath(), "--device", radios[0]->PtyPath(), file}).status, 2);
}

}  // namespace
