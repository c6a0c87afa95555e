// Plays the radio's side of the transfer (read and write), the password and the
// calibration exchanges from fuzzed replies on a fake line, all on this thread. No reply may crash an
// exchange or leave it waiting, and the document and the transfer buffer change only
// on a complete, well-formed exchange: after a failure they are as they were, after a
// success they hold exactly what the radio's replies carried.
//
// Input: the exchange, option bits, the password entries (for a write: whether the file's
// calibration area is written), then the radio's replies (a
// length byte and that many bytes each; fake_radio_port.h says when each arrives).
// fuzz/make_radio_reply_seeds.py writes the seeds and spells the layout out.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fuzz/fake_radio_port.h"
#include "fuzz/scratch_directory.h"
#include "link/protocol.h"
#include "link/radio_password.h"
#include "link/test_functions.h"
#include "link/transfer.h"
#include "link/voice_package.h"
#include "link/wire.h"
#include "radio/document.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "settings/file_io.h"
#include "settings/profile.h"

namespace {

using namespace wire;

enum class Exchange : std::uint8_t { Read, Write, ProgramPassword, ChangePassword, ReadCalibration, WriteCalibration };
constexpr int kExchanges = 6;

// Bits of the option byte.
namespace option {
constexpr std::uint8_t kPortSearch = 0x01;        // "autocom" on
constexpr std::uint8_t kPortDoesNotOpen = 0x02;
constexpr std::uint8_t kOpenAtStart = 0x04;       // the port is still open from an earlier exchange
constexpr std::uint8_t kFastAtStart = 0x08;       // ...and still at the fast block speed
constexpr std::uint8_t kVoicePackage = 0x10;      // write: a voice package is selected
constexpr std::uint8_t kOverwriteVoice = 0x20;
constexpr std::uint8_t kConfirmOtherModel = 0x40;  // the answer to the model question
constexpr std::uint8_t kRepeatDiffers = 0x80;      // change password: the repetition differs
}  // namespace option

// A write sends the file's calibration area too (the third byte's lowest bit; the transfer
// has no password entries).
constexpr std::uint8_t kWriteCalibration = 0x01;

// Password entries, chosen by the low (entered or old) and high (new) nibble of the third byte.
constexpr std::array<std::string_view, 16> kEntries = {
    "",       "123456", "000000", "999999", "12345", "1234567", "ABCDEF", "abcdef",
    "12345A", "FFFFFF", " 12345", "654321", "111111", "1",     "12 456", "0A0B0C"};

constexpr std::uint8_t kCalibrationWrite = 't';
// The read that brings the password block: 16 bytes from the calibration area on.
constexpr std::size_t kPasswordRead = image::kCalibration;
constexpr std::size_t kPasswordReadLength = 16;

using Block = std::array<std::uint8_t, block::kSize>;
using Buffer = std::array<std::uint8_t, radio_memory::kSize>;

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "radio replies: %s\n", what);
  std::abort();
}

// ---------------------------------------------------------------- program directories

class AlwaysOk : public Prompter {
 public:
  PromptAnswer Ask(const PromptRequest&) override { return PromptAnswer::Ok; }
};

// A program directory of its own (the exchanges write the port they found into
// setting.ini), with the shipped settings and one voice package.
struct Scene {
  Scene(const std::filesystem::path& dir, bool portSearch)
      : directory(Prepare(dir, portSearch)), files(directory, "lang_en"), voices(directory), blank(NewDocument(files)) {}

  // A new document's state; every input starts from it.
  static CTavroPgmDoc::State NewDocument(const AppFiles& files) {
    CTavroPgmDoc doc(files);
    AlwaysOk prompter;
    bool suppressClearPrompt = true;
    doc.OnNewDocument(prompter, suppressClearPrompt);
    return doc.CurrentState();
  }

  static std::filesystem::path Prepare(const std::filesystem::path& dir, bool portSearch) {
    const std::filesystem::path data = std::filesystem::path(CORVANE_SOURCE_DIR) / "data";
    std::filesystem::create_directories(dir);
    for (const char* name : {"setting.ini", "lang_en.lng"})
      std::filesystem::copy_file(data / name, dir / name, std::filesystem::copy_options::overwrite_existing);
    profile::WriteString(dir / "setting.ini", "setup", "com", "1");
    profile::WriteString(dir / "setting.ini", "setup", "autocom", portSearch ? "1" : "0");
    const std::string package(VoicePackageFile().begin(), VoicePackageFile().end());
    if (!file_io::ReplaceFileAtomically(dir / "voice.enc", package)) std::abort();
    return dir;
  }

  // Two blocks of voice data, the first and the last (which ends with the identifier); 0xFF
  // elsewhere.
  static const Buffer& VoicePackageFile() {
    static const Buffer file = [] {
      Buffer bytes;
      bytes.fill(0xFF);
      for (std::size_t k = 0; k < radio_memory::kVoiceBlockSize; ++k) {
        bytes[CVoicePackage::kVoiceData + k] = static_cast<std::uint8_t>(k);
        bytes[CVoicePackage::kFileSize - radio_memory::kVoiceBlockSize + k] = static_cast<std::uint8_t>(0x40 + k);
      }
      return bytes;
    }();
    return file;
  }

  std::filesystem::path directory;
  AppFiles files;
  CVoicePackage voices;
  CTavroPgmDoc::State blank;
};

const Scene& SceneFor(bool portSearch) {
  static const Scene fixed(ScratchDirectory() / "fixed", false);
  static const Scene search(ScratchDirectory() / "search", true);
  return portSearch ? search : fixed;
}

// ---------------------------------------------------------------- reading the line's log

bool IsFrame(std::span<const std::uint8_t> sent, std::uint8_t command, std::size_t address, std::size_t length) {
  return sent.size() >= kFrameHeader && sent[0] == command && sent[1] == (address >> 8) &&
         sent[2] == (address & 0xFF) && sent[3] == length;
}
bool IsRequest(const LineRead& read, std::size_t address, std::size_t length) {
  return read.sent.size() == kFrameHeader && IsFrame(read.sent, kReadRequest, address, length);
}
std::size_t AddressOf(std::span<const std::uint8_t> frame) { return static_cast<std::size_t>(frame[1]) << 8 | frame[2]; }
// A complete data reply to a read request, with its command and the address echoed.
bool WellFormedReply(const LineRead& read) {
  const std::size_t length = read.sent[3];
  return read.got.size() == kFrameHeader + length && read.got[0] == kDataReply && read.got[1] == read.sent[1] &&
         read.got[2] == read.sent[2];
}
bool Acknowledged(const LineRead& read) { return read.got.size() == 1 && read.got[0] == kAck; }

// The reply to the version query: the radio's generation, when it came.
std::optional<std::uint8_t> Generation(const FakeRadioPort& port) {
  for (const LineRead& read : port.Log())
    if (read.sent.size() == 1 && read.sent[0] == kVersionQuery && read.got.size() == 1) return read.got[0];
  return std::nullopt;
}

Block Snapshot(const CTavroPgmDoc& doc) {
  Block copy;
  std::copy(doc.Block().begin(), doc.Block().end(), copy.begin());
  return copy;
}

bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Everything outside [offset, offset + size) of the image is unchanged.
bool OnlyChanged(const Block& before, const CTavroPgmDoc& doc, std::size_t offset, std::size_t size) {
  for (std::size_t k = 0; k < block::kSize; ++k) {
    const bool inside = k >= block::kImage + offset && k < block::kImage + offset + size;
    if (!inside && before[k] != doc.Block()[k]) return false;
  }
  return true;
}

// ---------------------------------------------------------------- transfer

void RunTransferExchange(CTavroPgmDoc& doc, FakeRadioPort& port, const Scene& scene, bool isRead, std::uint8_t options,
                         std::uint8_t entries) {
  const Block before = Snapshot(doc);
  TransferOptions transfer;
  transfer.isRead = isRead;
  transfer.overwriteVoice = (options & option::kOverwriteVoice) != 0;
  transfer.writeCalibration = !isRead && (entries & kWriteCalibration) != 0;
  const bool withVoice = !isRead && (options & option::kVoicePackage) != 0;

  // The buffer as the job prepares it: the image with the transfer flag, the voice data
  // of the selected package behind it.
  Buffer initial;
  initial.fill(0xFF);
  std::copy(doc.Image().begin(), doc.Image().end(), initial.begin());
  initial[image::kKeyAndVox] |= image::key_and_vox::kTransferFlag;
  if (withVoice)
    std::copy(Scene::VoicePackageFile().begin() + CVoicePackage::kVoiceData, Scene::VoicePackageFile().end(),
              initial.begin() + CVoicePackage::kVoiceData);

  const std::shared_ptr<TransferJob> job = TransferJob::Prepare(doc, port, transfer, withVoice ? &scene.voices : nullptr);
  if (job == nullptr) {
    // Only a write asked to send voice data with no package to send may refuse to start.
    Check(!isRead && transfer.overwriteVoice && !withVoice, "a transfer did not start");
    Check(port.Opens() == 0 && port.Written().empty(), "a transfer that did not start used the port");
    Check(SameBytes(doc.Block(), before), "a transfer that did not start changed the document");
    return;
  }
  // The same exchange the worker runs, here on this thread, with the answer to the model
  // question given beforehand.
  job->Params().presetTypeAnswer = (options & option::kConfirmOtherModel) != 0;
  job->Run();
  const TransferState final = job->State();
  Check(IsFinal(final), "the transfer ended without a final state");
  const bool handedOver = job->HandOver(doc);
  Check(handedOver == (final == TransferState::ReadDone), "the document took an image from a transfer that was no read");
  const std::span<const std::uint8_t> buffer(job->Params().buffer, radio_memory::kSize);
  const std::optional<std::uint8_t> generation = Generation(port);

  if (isRead) {
    // The buffer takes a block only from a complete, well-formed reply.
    Buffer expected = initial;
    std::array<bool, image::kSize> carried{};
    std::optional<Bytes> voiceId;
    for (const LineRead& read : port.Log()) {
      if (IsRequest(read, radio_memory::kVoiceId, block::kVoiceIdSize) && read.got.size() == kFrameHeader + block::kVoiceIdSize)
        voiceId = Bytes(read.got.begin() + kFrameHeader, read.got.end());
      if (read.sent.size() != kFrameHeader || read.sent[0] != kReadRequest) continue;
      const std::size_t address = AddressOf(read.sent);
      const std::size_t length = read.sent[3];
      if (address + length > image::kSize || !WellFormedReply(read)) continue;
      std::copy(read.got.begin() + kFrameHeader, read.got.end(), expected.begin() + static_cast<std::ptrdiff_t>(address));
      std::fill_n(carried.begin() + static_cast<std::ptrdiff_t>(address), length, true);
    }
    Check(SameBytes(buffer, expected), "the transfer buffer took bytes that no well-formed reply carried");
    if (final != TransferState::ReadDone) {
      Check(SameBytes(doc.Block(), before), "a failed read changed the document");
      return;
    }
    Check(std::all_of(carried.begin(), carried.end(), [](bool b) { return b; }),
          "a read succeeded without a well-formed reply for every block");
    Check(SameBytes(doc.Image(), std::span(expected).first(image::kSize)),
          "a successful read gave the document an image the replies did not carry");
    Check(generation.has_value() && doc.RadioVersion() == *generation, "a successful read kept another radio version");
    Check(SameBytes(doc.Header(), std::span(before).first(block::kHeaderSize)), "a read changed the data file header");
    if (*generation >= radio_memory::kSecondGeneration)
      Check(voiceId.has_value() && SameBytes(doc.VoiceId(), *voiceId), "the voice identifier is not the one the radio sent");
    else
      Check(SameBytes(doc.VoiceId(), std::span(before).subspan(block::kVoiceId)), "a first-generation read changed the voice identifier");
    return;
  }

  // A write reads nothing into the document. Its buffer takes only the radio's own
  // calibration area, and only from four well-formed replies (none are asked for when the
  // file's area is written); no write frame goes out before them.
  Check(SameBytes(doc.Block(), before), "a write changed the document");
  Buffer expected = initial;
  const std::vector<LineRead>& log = port.Log();
  constexpr std::size_t kCalibrationBlocks = image::kCalibrationSize / kCalibrationBlock;
  std::size_t calibrationBlocks = 0;  // well-formed replies for the area, in order
  std::size_t afterCalibration = log.size();  // the log entry after the last of them
  for (std::size_t i = 0; i < log.size() && calibrationBlocks < kCalibrationBlocks; ++i) {
    const std::size_t address = image::kCalibration + kCalibrationBlock * calibrationBlocks;
    if (!IsRequest(log[i], address, kCalibrationBlock)) continue;
    Check(!transfer.writeCalibration, "the radio's calibration area was read though the file's is written");
    if (!WellFormedReply(log[i])) break;
    std::copy(log[i].got.begin() + kFrameHeader, log[i].got.end(), expected.begin() + static_cast<std::ptrdiff_t>(address));
    if (++calibrationBlocks == kCalibrationBlocks) afterCalibration = i + 1;
  }
  if (calibrationBlocks < kCalibrationBlocks) expected = initial;
  Check(SameBytes(buffer, expected), "the transfer buffer took bytes that are not the radio's calibration area");
  const std::array<std::uint8_t, 8> invalid = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  std::array<bool, radio_memory::kSize> acknowledged{};
  bool invalidated = false;
  std::optional<Bytes> radioVoiceId;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const LineRead& read = log[i];
    if (IsRequest(read, radio_memory::kVoiceId, block::kVoiceIdSize) && read.got.size() == kFrameHeader + block::kVoiceIdSize)
      radioVoiceId = Bytes(read.got.begin() + kFrameHeader, read.got.end());
    if (read.sent.size() < kFrameHeader || read.sent[0] != kWriteFrame) continue;
    Check(transfer.writeCalibration || i >= afterCalibration,
          "a write frame went out before the radio's whole calibration area was read");
    const std::size_t address = AddressOf(read.sent);
    const std::size_t length = read.sent[3];
    Check(read.sent.size() == kFrameHeader + length && address + length <= radio_memory::kSize, "a malformed write frame");
    const std::span<const std::uint8_t> data = std::span(read.sent).subspan(kFrameHeader);
    if (address == radio_memory::kVoiceId + 8) {
      Check(SameBytes(data, invalid), "the voice identifier was overwritten with something else than 0xFF");
      invalidated = invalidated || Acknowledged(read);
      continue;
    }
    Check(SameBytes(data, buffer.subspan(address, length)), "a write frame carried bytes that are not the buffer's");
    if (address >= radio_memory::kVoiceArea) {
      Check(withVoice, "voice data was written with no voice package at hand");
      Check(invalidated, "a voice block was written before the voice identifier was invalidated");
    }
    if (Acknowledged(read)) std::fill_n(acknowledged.begin() + static_cast<std::ptrdiff_t>(address), length, true);
  }
  if (final != TransferState::WriteDone) return;
  Check(std::all_of(acknowledged.begin(), acknowledged.begin() + image::kSize, [](bool b) { return b; }),
        "a write succeeded though the radio did not acknowledge every block of the image");
  Check(generation.has_value(), "a write succeeded without the radio's version");
  if (*generation < radio_memory::kSecondGeneration || !withVoice) return;
  const bool radioHasPackage = !transfer.overwriteVoice && radioVoiceId && SameBytes(*radioVoiceId, doc.VoiceId());
  if (radioHasPackage) return;
  for (std::size_t o = radio_memory::kVoiceArea; o < radio_memory::kSize; o += radio_memory::kVoiceBlockSize) {
    const auto block = buffer.subspan(o, radio_memory::kVoiceBlockSize);
    const bool empty = std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0xFF; });
    Check(empty || acknowledged[o], "a write with voice data succeeded without every voice block acknowledged");
  }
}

// ---------------------------------------------------------------- password

// The reply to the password block read, when it was complete and well-formed.
std::optional<std::span<const std::uint8_t>> PasswordBlockFromRadio(const FakeRadioPort& port) {
  for (const LineRead& read : port.Log())
    if (IsRequest(read, kPasswordRead, kPasswordReadLength))
      return WellFormedReply(read) ? std::optional(std::span<const std::uint8_t>(read.got).subspan(
                                         kFrameHeader + image::kPowerPermit - kPasswordRead, 6))
                                   : std::nullopt;
  return std::nullopt;
}

std::string PasswordHex(std::span<const std::uint8_t> password) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", password[0], password[1], password[2]);
  return text;
}

// The setting frame that stores the block, when the radio acknowledged it.
std::optional<Bytes> StoredBlock(const FakeRadioPort& port) {
  const Bytes prefix = {kSettingFrame, 0x00, 0x00, 0x08, 0x00, 0xFF};
  for (const LineRead& read : port.Log())
    if (read.sent.size() == prefix.size() + 6 && std::equal(prefix.begin(), prefix.end(), read.sent.begin()) &&
        Acknowledged(read))
      return Bytes(read.sent.begin() + static_cast<std::ptrdiff_t>(prefix.size()), read.sent.end());
  return std::nullopt;
}

void RunPasswordExchange(CTavroPgmDoc& doc, FakeRadioPort& port, bool change, std::uint8_t entries,
                         std::uint8_t options) {
  const Block before = Snapshot(doc);
  const bool modifiedBefore = doc.IsModified();
  const std::string_view entered = kEntries[entries & 0x0F];
  const std::string_view newEntered = kEntries[entries >> 4];
  const std::string_view newAgain =
      (options & option::kRepeatDiffers) ? kEntries[((entries >> 4) + 1) & 0x0F] : newEntered;
  const PasswordOutcome outcome =
      change ? ChangePassword(port, doc, entered, newEntered, newAgain) : ProgramWithPassword(port, doc, entered);

  const bool refusedAtOnce = outcome == PasswordOutcome::LengthWrong || outcome == PasswordOutcome::NotSame ||
                             outcome == PasswordOutcome::NewPasswordNotDigits;
  if (refusedAtOnce) Check(port.Written().empty() && port.Opens() == 0, "a refused entry still used the port");

  const std::optional<std::span<const std::uint8_t>> radioBlock = PasswordBlockFromRadio(port);
  if (!radioBlock) {
    Check(outcome != PasswordOutcome::Done, "the password was stored without the radio's block");
    Check(SameBytes(doc.Block(), before), "the document changed without a well-formed password block from the radio");
    Check(doc.IsModified() == modifiedBefore, "the modified flag changed with the document unchanged");
    return;
  }
  // Program keeps the document's power permit byte; change takes the radio's whole block.
  const std::size_t from = change ? 0 : 1;
  Block expected = before;
  std::copy(radioBlock->begin() + static_cast<std::ptrdiff_t>(from), radioBlock->end(),
            expected.begin() + static_cast<std::ptrdiff_t>(block::kImage + image::kPowerPermit + from));
  const std::string radioPassword = PasswordHex(radioBlock->subspan(image::kPassword - image::kPowerPermit));
  const bool matches = ScramblePassword(entered) == radioPassword;
  if (change && matches) {
    std::array<std::uint8_t, image::kPasswordSize> password{};
    std::copy_n(expected.begin() + block::kImage + image::kPassword, password.size(), password.begin());
    CTavroPgmDoc::PasswordFromText(ScramblePassword(newEntered), password);
    std::copy(password.begin(), password.end(), expected.begin() + block::kImage + image::kPassword);
  }
  Check(SameBytes(doc.Block(), expected), "the password block in the document is not the radio's");
  Check(doc.IsModified() || (!modifiedBefore && SameBytes(expected, before)), "a changed document is not marked modified");
  if (outcome != PasswordOutcome::Done) return;
  Check(matches, "the radio's block was stored with a wrong password");
  const std::optional<Bytes> stored = StoredBlock(port);
  Check(stored.has_value() && SameBytes(*stored, std::span(expected).subspan(block::kImage + image::kPowerPermit, 6)),
        "the password exchange succeeded without the radio acknowledging the document's block");
  Check(!port.IsOpen(), "the port stayed open after the password was stored");
}

// ---------------------------------------------------------------- calibration

void RunCalibrationExchange(CTavroPgmDoc& doc, FakeRadioPort& port, bool write) {
  const Block before = Snapshot(doc);
  const TestLinkOutcome outcome = write ? WriteCalibration(port, doc) : ReadCalibration(port, doc);
  if (write) {
    Check(SameBytes(doc.Block(), before), "a calibration write changed the document");
    if (outcome != TestLinkOutcome::WriteDone) return;
    for (std::size_t offset = 0; offset < image::kCalibrationSize; offset += kCalibrationBlock) {
      const std::size_t address = image::kCalibration + offset;
      const bool sent = std::any_of(port.Log().begin(), port.Log().end(), [&](const LineRead& read) {
        return read.sent.size() == kFrameHeader + kCalibrationBlock &&
               IsFrame(read.sent, kCalibrationWrite, address, kCalibrationBlock) && Acknowledged(read) &&
               SameBytes(std::span(read.sent).subspan(kFrameHeader), doc.Image().subspan(address, kCalibrationBlock));
      });
      Check(sent, "a calibration write succeeded without every block acknowledged");
    }
    return;
  }
  if (outcome != TestLinkOutcome::ReadDone) {
    Check(SameBytes(doc.Block(), before), "a failed calibration read changed the document");
    return;
  }
  Check(OnlyChanged(before, doc, image::kCalibration, image::kCalibrationSize), "a calibration read changed other bytes");
  Check(doc.IsModified() || SameBytes(doc.Block(), before), "a changed document is not marked modified");
  for (std::size_t offset = 0; offset < image::kCalibrationSize; offset += kCalibrationBlock) {
    const std::size_t address = image::kCalibration + offset;
    const auto reply = std::find_if(port.Log().begin(), port.Log().end(),
                                    [&](const LineRead& read) { return IsRequest(read, address, kCalibrationBlock); });
    Check(reply != port.Log().end() && WellFormedReply(*reply), "a calibration read succeeded without a well-formed reply");
    Check(SameBytes(doc.Image().subspan(address, kCalibrationBlock), std::span(reply->got).subspan(kFrameHeader)),
          "the calibration table is not the one the radio sent");
  }
  Check(!port.IsOpen(), "the port stayed open after the calibration read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const auto exchange = static_cast<Exchange>(data[0] % kExchanges);
  const std::uint8_t options = data[1];
  const std::uint8_t entries = data[2];
  const Scene& scene = SceneFor((options & option::kPortSearch) != 0);

  CTavroPgmDoc doc(scene.files);
  doc.RestoreState(scene.blank);

  FakeRadioPort port(std::span(data + 3, size - 3), (options & option::kPortDoesNotOpen) == 0,
                     (options & option::kOpenAtStart) != 0,
                     (options & option::kFastAtStart) != 0 ? CSerial::kFastBaud : CSerial::kLinkBaud);
  switch (exchange) {
    case Exchange::Read:
    case Exchange::Write:
      RunTransferExchange(doc, port, scene, exchange == Exchange::Read, options, entries);
      break;
    case Exchange::ProgramPassword:
    case Exchange::ChangePassword:
      RunPasswordExchange(doc, port, exchange == Exchange::ChangePassword, entries, options);
      break;
    case Exchange::ReadCalibration:
    case Exchange::WriteCalibration:
      RunCalibrationExchange(doc, port, exchange == Exchange::WriteCalibration);
      break;
  }
  return 0;
}
