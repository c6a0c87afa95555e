#include "link/test_functions.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>

#include "link/port_survey.h"
#include "link/protocol.h"
#include "link/serial.h"
#include "link/wire.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "settings/profile.h"

namespace {

using namespace wire;

// The test mode access code is never held as such: the number entered plus
// kAccessCodeOffset must equal kAccessCodeSum. The code technicians enter is
// kAccessCodeSum - kAccessCodeOffset.
constexpr long long kAccessCodeOffset = 31415;
constexpr long long kAccessCodeSum = 104934;

constexpr std::uint8_t kCalibrationWrite = 't';
constexpr std::uint8_t kValueQuery = 'r';
constexpr std::uint8_t kPing = 'E';
constexpr int kHighestCalibrationValue = 255;

constexpr int kHandshakeAttempts = 3;
constexpr int kTestAnswerWaitMs = 500;
constexpr int kCalibrationAckWaitMs = 100;
constexpr int kCalibrationFramePauseMs = 5;

constexpr TestItem Item(int id, std::string_view caption, TestItemKind kind, std::uint8_t item) {
  return {id, caption, kind, {TestStep{TestStep::Item, item}, TestStep{}, TestStep{}}, 1};
}
constexpr TestItem Item(int id, std::string_view caption, TestItemKind kind, std::uint8_t first, std::uint8_t point,
                        std::uint8_t last) {
  return {id, caption, kind,
          {TestStep{TestStep::Item, first}, TestStep{TestStep::Point, point}, TestStep{TestStep::Item, last}}, 3};
}

constexpr auto R = TestItemKind::Reading;
constexpr auto A = TestItemKind::Adjust;
constexpr std::array<TestItem, 21> kTestItems = {
    Item(1188, "Voltage", R, 0x01),
    Item(1183, "SQL3", R, 0x02, 0x02, 0x04),
    Item(1184, "SQL9", R, 0x02, 0x02, 0x05),
    Item(1186, "VOX1", R, 0x0E),
    Item(1187, "VOX5", R, 0x0F),
    Item(1168, "CTCL", A, 0x0A),
    Item(1182, "CTCM", A, 0x06, 0x02, 0x09),
    Item(1181, "CTCH", A, 0x0B),
    Item(1185, "DCS", A, 0x0C),
    Item(1178, "2T", A, 0x0D),
    Item(1169, "L Tune", A, 0x02, 0x01, 0x03),
    Item(1170, "M Tune", A, 0x02, 0x02, 0x03),
    Item(1171, "H Tune", A, 0x02, 0x03, 0x03),
    Item(1172, "L L P", A, 0x06, 0x01, 0x07),
    Item(1173, "M L P", A, 0x06, 0x02, 0x07),
    Item(1174, "H L P", A, 0x06, 0x03, 0x07),
    Item(1175, "L H P", A, 0x06, 0x01, 0x08),
    Item(1176, "M H P", A, 0x06, 0x02, 0x08),
    Item(1177, "H H P", A, 0x06, 0x03, 0x08),
    Item(1179, "L CTCM", A, 0x06, 0x01, 0x09),
    Item(1180, "H CTCM", A, 0x06, 0x03, 0x09),
};

static_assert(image::kCalibrationSize % kCalibrationBlock == 0);

TestFrame SettingFrame(std::array<std::uint8_t, 8> data) {
  TestFrame frame = {kSettingFrame, 0x00, 0x00, 0x08};
  std::copy(data.begin(), data.end(), frame.begin() + kFrameHeader);
  return frame;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void Drain(SerialPort& port) {
  while (port.ReadByte(0) != -1) {
  }
}

// "PROGRAM" with 15 ms before each letter; true when the radio acknowledged.
bool Handshake(SerialPort& port) {
  for (char letter : kHandshake) {
    port.Pause(kLetterPauseMs);
    const auto byte = static_cast<std::uint8_t>(letter);
    if (port.Write(&byte, 1) == 0) break;
  }
  return port.ReadByte(kAckWaitMs) == kAck;
}

void AckAndListen(SerialPort& port) {
  port.WriteByte(kAck);
  port.ReadByte(kAckWaitMs);
}

// The configured port (no search), three handshakes, the identification; a radio that
// `accept` refuses gets no acknowledge.
TestLinkOutcome Connect(SerialPort& port, const std::string& settingsPath,
                        const std::function<bool(const ModelIdentifier&)>& accept, ModelIdentifier* reported = nullptr) {
  if (!port.IsOpen() && !port.Open(profile::GetInt(settingsPath, "setup", "com", 1)))
    return TestLinkOutcome::PortOpenFailed;
  port.SetBaudRate(CSerial::kLinkBaud);
  port.Pause(kPortSettleMs);
  Drain(port);
  bool accepted = false;
  for (int attempt = 0; attempt < kHandshakeAttempts && !accepted; ++attempt) accepted = Handshake(port);
  if (!accepted) return TestLinkOutcome::ConnectFailed;
  port.WriteByte(kIdentify);
  std::uint8_t identification[kIdentificationSize];
  if (port.ReadBlock(identification, sizeof identification) != static_cast<int>(sizeof identification))
    return TestLinkOutcome::WrongType;
  // The radio identifies itself in the reverse order of the image's model identifier.
  static_assert(kIdentificationSize == image::kModelIdSize);
  ModelIdentifier model;
  std::reverse_copy(std::begin(identification), std::end(identification), model.begin());
  if (!accept(model)) return TestLinkOutcome::WrongType;
  if (reported != nullptr) *reported = model;
  AckAndListen(port);
  return TestLinkOutcome::Connected;
}

// The model check against the document's model identifier.
TestLinkOutcome Connect(SerialPort& port, const CTavroPgmDoc& doc) {
  return Connect(port, doc.Files().SettingsPath(), [&doc](const ModelIdentifier& model) {
    return std::equal(model.begin(), model.end(), doc.Image().begin() + image::kModelId);
  });
}

// The four blocks with the 't' frame; false at the first one not acknowledged.
bool WriteCalibrationArea(SerialPort& port, const CalibrationArea& area) {
  for (std::size_t offset = 0; offset < area.size(); offset += kCalibrationBlock) {
    const std::size_t address = image::kCalibration + offset;
    std::array<std::uint8_t, kFrameHeader + kCalibrationBlock> frame = {
        kCalibrationWrite, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
        static_cast<std::uint8_t>(kCalibrationBlock)};
    std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(offset), kCalibrationBlock, frame.begin() + kFrameHeader);
    port.Pause(kCalibrationFramePauseMs);
    port.Write(frame.data(), frame.size());
    if (port.ReadByte(kCalibrationAckWaitMs) != kAck) return false;
  }
  return true;
}

}  // namespace

bool CheckAccessCode(std::string_view entered) {
  std::size_t i = 0;
  while (i < entered.size() && IsBlank(entered[i])) ++i;
  bool negative = false;
  if (i < entered.size() && (entered[i] == '+' || entered[i] == '-')) negative = entered[i++] == '-';
  // Saturates far beyond any code, so that a long entry neither overflows nor matches.
  constexpr long long kCeiling = 1'000'000'000'000LL;
  long long number = 0;
  for (; i < entered.size() && IsDigit(entered[i]); ++i) number = std::min(kCeiling, number * 10 + (entered[i] - '0'));
  if (negative) number = -number;
  return number + kAccessCodeOffset == kAccessCodeSum;
}

std::optional<PromptRequest> TestLinkMessage(TestLinkOutcome outcome, TestDialog dialog) {
  auto box = [](std::string text, std::string caption, PromptIcon icon) {
    PromptRequest request;
    request.textKey = std::move(text);
    request.captionKey = std::move(caption);
    request.icon = icon;
    request.buttons = PromptButtons::Ok;
    return request;
  };
  switch (outcome) {
    case TestLinkOutcome::Connected:
      return std::nullopt;
    case TestLinkOutcome::PortOpenFailed:
      return box("IDS_ERROR_PORTOPEN", dialog == TestDialog::Calibration ? "IDS_ERROR" : "IDS_COMMUNICATION_ERROR",
                 PromptIcon::Error);
    case TestLinkOutcome::ConnectFailed:
      return box("IDS_FAILED_CONNECT", "IDS_COMMUNICATION_ERROR", PromptIcon::Exclamation);
    case TestLinkOutcome::WrongType:
      return box("IDS_ERROR_TYPE", "IDS_COMMUNICATION_ERROR", PromptIcon::Exclamation);
    case TestLinkOutcome::ReadDone:
      return box("IDS_PROMPT_READSUCC", "IDS_PROMPT_READ", PromptIcon::None);
    case TestLinkOutcome::ReadFailed:
      return box("IDS_PROMPT_READFAIL", "IDS_PROMPT_READ", PromptIcon::Exclamation);
    case TestLinkOutcome::WriteDone:
      return box("IDS_PROMPT_WRITESUCC", "IDS_PROMPT_WRITE", PromptIcon::None);
    case TestLinkOutcome::WriteFailed:
      return box("IDS_PROMPT_WRITEFAIL", "IDS_PROMPT_WRITE", PromptIcon::Exclamation);
    case TestLinkOutcome::SaveFailed:
      return box("IDS_TEST_SAVEFAIL", "IDS_COMMUNICATION_ERROR", PromptIcon::Exclamation);
  }
  return std::nullopt;
}

std::optional<PromptRequest> TestLinkMessage(TestLinkOutcome outcome, TestDialog dialog, const AppFiles& files,
                                             const SerialPort& port) {
  std::optional<PromptRequest> request = TestLinkMessage(outcome, dialog);
  if (request && outcome == TestLinkOutcome::PortOpenFailed)
    request->madeText = port_survey::PortProblemText(files, port.LastOpenFailure());
  return request;
}

TestLinkOutcome TestConnect(SerialPort& port, const CTavroPgmDoc& doc) {
  if (const TestLinkOutcome outcome = Connect(port, doc); outcome != TestLinkOutcome::Connected) return outcome;
  const TestFrame enter = EnterTestFrame();
  port.Pause(1);
  port.Write(enter.data(), enter.size());
  return port.ReadByte(kAckWaitMs) == kAck ? TestLinkOutcome::Connected : TestLinkOutcome::WrongType;
}

TestFrame EnterTestFrame() { return SettingFrame({0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}); }
TestFrame ItemFrame(std::uint8_t item) { return SettingFrame({0x10, 0x80, item, 0x00, 0x00, 0x00, 0x00, 0x00}); }
TestFrame PointFrame(std::uint8_t point) { return SettingFrame({0x80, 0x00, 0x00, 0x00, 0x20, 0x00, point, 0x00}); }
TestFrame SaveFrame() { return SettingFrame({0x10, 0x00, 0x01, 0x00, 0x00, 0x80, 0x00, 0x00}); }

bool SendTestFrame(SerialPort& port, const TestFrame& frame) {
  for (std::uint8_t byte : frame)
    if (port.WriteByte(byte) != 1) break;
  return port.ReadByte(kTestAnswerWaitMs) == kAck;
}

std::span<const TestItem> TestItems() { return kTestItems; }

const TestItem* FindTestItem(int controlId) {
  const auto* found = std::find_if(kTestItems.begin(), kTestItems.end(),
                                   [&](const TestItem& item) { return item.controlId == controlId; });
  return found == kTestItems.end() ? nullptr : found;
}

std::optional<int> ReadTestValue(SerialPort& port) {
  port.WriteByte(kValueQuery);
  const int low = port.ReadByte(kTestAnswerWaitMs);
  const int high = port.ReadByte(kTestAnswerWaitMs);
  if (low < 0 || high < 0) return std::nullopt;
  return low + 256 * high;
}

ItemSelection SelectTestItem(SerialPort& port, const TestItem& item) {
  const std::span<const TestStep> steps = item.Steps();
  bool lastAcknowledged = false;
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const TestFrame frame = steps[k].kind == TestStep::Item ? ItemFrame(steps[k].value) : PointFrame(steps[k].value);
    const bool acknowledged = SendTestFrame(port, frame);
    if (k + 1 < steps.size() && !acknowledged) return {};
    lastAcknowledged = acknowledged;
  }
  ItemSelection selection;
  if (item.kind == TestItemKind::Adjust && lastAcknowledged) {
    selection.valueAsked = true;
    selection.value = ReadTestValue(port);
  }
  return selection;
}

bool PingTestRadio(SerialPort& port) {
  port.WriteByte(kPing);
  return port.ReadByte(kTestAnswerWaitMs) == kAck;
}

TestPoll PollTestRadio(SerialPort& port, const TestItem* current) {
  TestPoll poll;
  if (current != nullptr && current->kind == TestItemKind::Reading) {
    poll.value = ReadTestValue(port);
    poll.answered = poll.value.has_value();
  } else {
    poll.answered = PingTestRadio(port);
  }
  return poll;
}

int NextIndicatorState(int state, bool answered) {
  if (!answered) return 0;
  return state == 1 ? 2 : 1;
}

int StepTestValue(int value, int spinDelta) {
  if (spinDelta < 0) return value < 255 ? value + 1 : value;
  return value > 0 ? value - 1 : value;
}

void SendTestValue(SerialPort& port, std::uint8_t value) { SendTestFrame(port, PointFrame(value)); }

bool SaveTestValue(SerialPort& port) { return SendTestFrame(port, SaveFrame()); }

std::optional<std::uint8_t> CalibrationByteFromText(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) return std::nullopt;
  int number = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    number = number * 10 + (text[i] - '0');
    // Never wrapped into a byte: 300 stored as 44 would be a wrong alignment in the radio.
    if (number > kHighestCalibrationValue) return std::nullopt;
  }
  return static_cast<std::uint8_t>(number);
}

bool IsBlankCalibrationArea(const CalibrationArea& area) {
  return std::all_of(area.begin(), area.end(), [](std::uint8_t byte) { return byte == image::kEmpty; });
}

TestLinkOutcome ConnectForCalibration(SerialPort& port, const CTavroPgmDoc& doc) { return Connect(port, doc); }

TestLinkOutcome ReadCalibration(SerialPort& port, CTavroPgmDoc& doc) {
  if (const TestLinkOutcome outcome = Connect(port, doc); outcome != TestLinkOutcome::Connected) return outcome;
  CalibrationArea area{};
  if (!ReadCalibrationArea(port, area)) return TestLinkOutcome::ReadFailed;
  // The document takes the table only whole, and a change marks it modified.
  bool changed = false;
  for (std::size_t k = 0; k < area.size(); ++k) {
    changed = changed || doc.At(image::kCalibration + k) != area[k];
    doc.At(image::kCalibration + k) = area[k];
  }
  if (changed) doc.SetModifiedFlag();
  port.Close();
  return TestLinkOutcome::ReadDone;
}

TestLinkOutcome WriteCalibration(SerialPort& port, const CTavroPgmDoc& doc) {
  if (const TestLinkOutcome outcome = Connect(port, doc); outcome != TestLinkOutcome::Connected) return outcome;
  CalibrationArea area{};
  std::copy_n(doc.Image().begin() + image::kCalibration, area.size(), area.begin());
  if (!WriteCalibrationArea(port, area)) return TestLinkOutcome::WriteFailed;
  port.Close();
  return TestLinkOutcome::WriteDone;
}

RadioCalibration ReadRadioCalibration(SerialPort& port, const std::string& settingsPath) {
  RadioCalibration read;
  read.outcome = Connect(port, settingsPath, [](const ModelIdentifier&) { return true; }, &read.model);
  if (read.outcome != TestLinkOutcome::Connected) return read;
  if (!ReadCalibrationArea(port, read.area)) {
    read.outcome = TestLinkOutcome::ReadFailed;
    return read;
  }
  port.Close();
  read.outcome = TestLinkOutcome::ReadDone;
  return read;
}

TestLinkOutcome WriteRadioCalibration(CSerial& port, const std::string& settingsPath, const ModelIdentifier& model,
                                      std::span<const std::optional<std::uint8_t>> byField) {
  const auto sameModel = [&model](const ModelIdentifier& reported) { return reported == model; };
  // Reading and writing the area are two exchanges, as the table's Read and Write buttons
  // are: the 't' frames go in a session of their own.
  if (const TestLinkOutcome connected = Connect(port, settingsPath, sameModel); connected != TestLinkOutcome::Connected)
    return connected;
  CalibrationArea area{};
  if (!ReadCalibrationArea(port, area)) return TestLinkOutcome::ReadFailed;
  for (std::size_t k = 0; k < byField.size() && k < kCalibrationFields.size(); ++k)
    if (byField[k]) area[kCalibrationFields[k].offset - image::kCalibration] = *byField[k];
  if (!port.Reopen()) return TestLinkOutcome::PortOpenFailed;
  if (const TestLinkOutcome connected = Connect(port, settingsPath, sameModel); connected != TestLinkOutcome::Connected)
    return connected;
  if (!WriteCalibrationArea(port, area)) return TestLinkOutcome::WriteFailed;
  port.Close();
  return TestLinkOutcome::WriteDone;
}
