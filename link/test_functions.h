#pragma once
// The technician's side of the radio link: the test mode access code, the connection
// into the radio's test state, the test frames of the alignment items with the value
// and ping polls, and the calibration table (read with read requests, written with the
// 't' frame). Nothing here shows a window: exchanges return outcomes, and
// TestLinkMessage says which message box the dialog shows for them.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "radio/calibration_items.h"
#include "radio/image_map.h"
#include "radio/prompt.h"

class AppFiles;
class CSerial;
class SerialPort;
class CTavroPgmDoc;

// ---------------------------------------------------------------- access code

// The text of the access code edit read as a decimal number (leading blanks and a sign
// accepted, reading stops at the first other character, no number is 0); true when it
// is the test mode access code.
bool CheckAccessCode(std::string_view entered);

// ---------------------------------------------------------------- connecting

enum class TestLinkOutcome {
  Connected,       // test mode: the radio is in its test state; calibration: ready for frames
  PortOpenFailed,  // the "com" port could not be opened
  ConnectFailed,   // three handshakes went unanswered
  WrongType,       // no or a short identification, another model, or the test state refused
  ReadDone,
  ReadFailed,      // a calibration reply was short or wrongly addressed; the image is unchanged
  WriteDone,
  WriteFailed,     // a calibration write frame was not acknowledged
  SaveFailed,      // the radio did not acknowledge the alignment window's save frame
};

// Which dialog reports the outcome: the port failure has a different caption in each.
enum class TestDialog { TestFunction, Calibration };

// The message box for an outcome; nullopt for Connected, which shows nothing.
std::optional<PromptRequest> TestLinkMessage(TestLinkOutcome outcome, TestDialog dialog);
// The same, with a port that could not be opened explained (why, and what to do).
std::optional<PromptRequest> TestLinkMessage(TestLinkOutcome outcome, TestDialog dialog, const AppFiles& files,
                                             const SerialPort& port);

// Opens the "com" port when it is closed (no port search), sets the link speed, makes
// up to three handshakes, checks the radio's identification against the document's
// model and puts the radio in its test state. The port stays open either way.
TestLinkOutcome TestConnect(SerialPort& port, const CTavroPgmDoc& doc);

// ---------------------------------------------------------------- test frames

// A test frame is a setting frame: 'K', 00 00 08, then eight data bytes.
using TestFrame = std::array<std::uint8_t, 12>;
TestFrame EnterTestFrame();
TestFrame ItemFrame(std::uint8_t item);
// The working point of an item; the same frame carries a stepped value.
TestFrame PointFrame(std::uint8_t point);
TestFrame SaveFrame();

// Writes the frame byte by byte (1 ms before each, stopping when a write fails) and
// waits up to 500 ms for the answer; true when it was the acknowledge.
bool SendTestFrame(SerialPort& port, const TestFrame& frame);

// The alignment items of the test dialog.
enum class TestItemKind { Reading, Adjust };
struct TestStep {
  enum Kind : std::uint8_t { Item, Point } kind;
  std::uint8_t value;
};
struct TestItem {
  int controlId;
  std::string_view caption;
  TestItemKind kind;
  std::array<TestStep, 3> steps;
  std::size_t stepCount;
  std::span<const TestStep> Steps() const { return {steps.data(), stepCount}; }
};
std::span<const TestItem> TestItems();
// The item of a radio button id; nullptr for any other id.
const TestItem* FindTestItem(int controlId);

// The value the radio reports for the selected item: 'r', then the low and high byte
// within 500 ms each; nullopt when either is missing.
std::optional<int> ReadTestValue(SerialPort& port);

struct ItemSelection {
  bool valueAsked = false;   // an adjust item's frames were all acknowledged: the value was read
  std::optional<int> value;  // what the radio reported then
};
// Sends the item's frames in order, stopping when a frame before the last is not
// acknowledged; an adjust item whose last frame is acknowledged reads the value once.
ItemSelection SelectTestItem(SerialPort& port, const TestItem& item);

// The 'E' ping; true when the radio acknowledged it.
bool PingTestRadio(SerialPort& port);

// One tick of the test dialog's timer: a reading item reads the value, anything else
// (no item, an adjust item) pings.
struct TestPoll {
  bool answered = false;
  std::optional<int> value;  // reading items only
};
TestPoll PollTestRadio(SerialPort& port, const TestItem* current);

// The link indicator: 1 and 2 alternate while the radio answers, 0 when it did not.
int NextIndicatorState(int state, bool answered);

// A spin notification: a negative step raises the value by one below 255, any other
// lowers it by one above 0.
int StepTestValue(int value, int spinDelta);
// Sends a stepped or slid value (the point frame with the value) and ignores the answer.
void SendTestValue(SerialPort& port, std::uint8_t value);
// "Save": the save frame; true when the radio acknowledged it (the value is stored).
bool SaveTestValue(SerialPort& port);

// ---------------------------------------------------------------- calibration table

// The fields of the calibration table (edit id, caption, image offset): CalibrationFields().

// A calibration value as a technician writes it, in the table or in a calibration file:
// a whole number from 0 to 255 in decimal digits, blanks around it allowed. nullopt for
// anything else ("300", "-1", "abc", an empty text), which no byte of the radio takes.
std::optional<std::uint8_t> CalibrationByteFromText(std::string_view text);

// The calibration area's 32 bytes, and a radio's model identifier in image order (as
// image 0x3D0-0x3D7 and the model<n> entries of setting.ini hold it).
using CalibrationArea = std::array<std::uint8_t, image::kCalibrationSize>;
using ModelIdentifier = std::array<std::uint8_t, image::kModelIdSize>;

// True when every byte of `area` is the erased byte, as in a new configuration: these
// are no radio's alignment values.
bool IsBlankCalibrationArea(const CalibrationArea& area);

// Connecting for the calibration table: as TestConnect without the test state.
TestLinkOutcome ConnectForCalibration(SerialPort& port, const CTavroPgmDoc& doc);
// Connects and reads the 32 bytes of the calibration area in blocks of eight. The
// document changes only when every block came; on ReadDone the port is closed.
TestLinkOutcome ReadCalibration(SerialPort& port, CTavroPgmDoc& doc);
// Connects and writes the document's calibration area with the 't' frame, eight bytes
// at a time; on WriteDone the port is closed.
TestLinkOutcome WriteCalibration(SerialPort& port, const CTavroPgmDoc& doc);

// The same exchanges for a radio known only by what it reports (the command line, which
// has no document). The "com" port of settingsPath is opened when the port is closed.
struct RadioCalibration {
  TestLinkOutcome outcome = TestLinkOutcome::ReadFailed;
  ModelIdentifier model{};  // what the radio reported, on ReadDone
  CalibrationArea area{};   // on ReadDone
};
// Reads the area of whatever model answers; on ReadDone the port is closed.
RadioCalibration ReadRadioCalibration(SerialPort& port, const std::string& settingsPath);
// Refuses a radio that does not report `model` (WrongType) before any calibration byte
// moves; then reads the area and sets the bytes of the fields that byField (indexed as
// CalibrationFields()) gives. Every other byte, the password block among them, goes back
// as the radio held it. A failed read writes nothing (ReadFailed). The area is written in
// a second session on the same device (connected and identified afresh), as the
// calibration table's Write is an exchange of its own. On WriteDone the port is closed.
TestLinkOutcome WriteRadioCalibration(CSerial& port, const std::string& settingsPath, const ModelIdentifier& model,
                                      std::span<const std::optional<std::uint8_t>> byField);
