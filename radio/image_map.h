#pragma once
// The map of the document block and of the 1024-byte radio image. Every offset
// and bit the program interprets is named here and only here; image offsets
// equal the radio's own memory addresses.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace block {
inline constexpr std::size_t kHeaderSize = 48;
inline constexpr std::size_t kImageSize = 1024;
inline constexpr std::size_t kVoiceIdSize = 16;
inline constexpr std::size_t kHeader = 0;
inline constexpr std::size_t kImage = kHeader + kHeaderSize;   // 48
inline constexpr std::size_t kVoiceId = kImage + kImageSize;   // 1072
inline constexpr std::size_t kSize = kVoiceId + kVoiceIdSize;  // 1088

// The header of every document this program creates.
inline constexpr std::string_view kFreshHeader = "VX  Radio Program data v1.92.2000 Vantorellix   ";
static_assert(kFreshHeader.size() == kHeaderSize);
// The part of the header that identifies a data file, and where it sits.
inline constexpr std::size_t kSignatureOffset = 28;
inline constexpr std::string_view kSignature = ".2000 Vantorellix";
static_assert(kFreshHeader.substr(kSignatureOffset, kSignature.size()) == kSignature);

inline constexpr std::uint8_t kDefaultVoiceId[kVoiceIdSize] = {0, 0, 0, 0, 0, 0, 0, 0,
                                                                0x02, 0x00, 0x01, 0x12, 0x23, 0x89, 0xAB, 0xCD};
// The identifier byte that a data file without a complete identifier keeps.
inline constexpr std::size_t kVoiceIdKeptByte = 8;
}  // namespace block

namespace image {

// `byte` with the bits of `mask` set (on) or cleared.
constexpr std::uint8_t WithBits(std::uint8_t byte, std::uint8_t mask, bool on) {
  return static_cast<std::uint8_t>(on ? byte | mask : byte & ~mask);
}
// `byte` with the field `mask` holding `value`, given in the field's place.
constexpr std::uint8_t WithField(std::uint8_t byte, std::uint8_t mask, unsigned value) {
  return static_cast<std::uint8_t>((byte & ~mask) | (value & mask));
}

inline constexpr std::size_t kSize = block::kImageSize;
inline constexpr std::uint8_t kEmpty = 0xFF;
// A frequency field's most significant byte above this value means "no frequency".
inline constexpr std::uint8_t kLastFrequencyByte = 0x99;

// Channel table: channel n (1..16) at n * 16.
inline constexpr int kChannelCount = 16;
inline constexpr std::size_t kChannelRecordSize = 16;
constexpr std::size_t ChannelOffset(int channel) { return static_cast<std::size_t>(channel) * kChannelRecordSize; }

// Fields of a channel record.
namespace channel {
inline constexpr std::size_t kReceiveFrequency = 0;   // 4 bytes
inline constexpr std::size_t kTransmitFrequency = 4;  // 4 bytes
inline constexpr std::size_t kFrequencySize = 4;
inline constexpr std::size_t kReceiveTone = 8;        // 2 bytes, low byte first
inline constexpr std::size_t kTransmitTone = 10;      // 2 bytes
inline constexpr std::size_t kToneSize = 2;
inline constexpr std::size_t kSwitches = 12;
inline constexpr std::size_t kBusyLockout = 13;
inline constexpr std::size_t kSignalSet = 14;
inline constexpr std::size_t kSignalCode = 15;

// Bits of the switches byte.
inline constexpr std::uint8_t kOptionNo = 0x02;       // grid column 7: set means "no"
inline constexpr std::uint8_t kWide = 0x04;           // bandwidth: set means wide
inline constexpr std::uint8_t kHighPower = 0x08;      // set means high power
inline constexpr std::uint8_t kScanMember = 0x10;     // set means scanned
inline constexpr std::uint8_t kOptionOff = 0x20;      // grid column 11: set means "off"
// What an erased channel sets: the option, bandwidth, power, scan and on/off bits.
inline constexpr std::uint8_t kErasedSwitches = kOptionNo | kWide | kHighPower | kScanMember | kOptionOff;
inline constexpr std::uint8_t kBusyLockoutMask = 0x03;
inline constexpr std::uint8_t kNoSelection = 0xFF;    // signal set or code "none"
inline constexpr int kSignalSetCount = 4;
inline constexpr int kSignalCodeCount = 16;
}  // namespace channel

// Two-tone signalling: 16 code entries of two 16-bit tones, 4 signal set records.
inline constexpr std::size_t kSignalCodeTable = 0x280;
inline constexpr std::size_t kSignalCodeSize = 4;
constexpr std::size_t SignalCodeOffset(int entry) { return kSignalCodeTable + kSignalCodeSize * static_cast<std::size_t>(entry - 1); }
inline constexpr std::size_t kSignalSets = 0x2C0;
inline constexpr std::size_t kSignalSetSize = 16;
constexpr std::size_t SignalSetOffset(int set) { return kSignalSets + kSignalSetSize * static_cast<std::size_t>(set - 1); }
namespace signal_set {
inline constexpr std::size_t kToneA = 0;
inline constexpr std::size_t kToneB = 2;
inline constexpr std::size_t kToneC = 4;
inline constexpr std::size_t kDecodeFormat[2] = {7, 9};     // call format and response
inline constexpr std::size_t kDecodeAlarmTone[2] = {8, 10};
inline constexpr std::size_t kAutoResetTime = 15;
inline constexpr std::uint8_t kCallFormatMask = 0x0F;
inline constexpr std::uint8_t kCallResponseMask = 0xC0;
inline constexpr int kCallResponseShift = 6;
}  // namespace signal_set

// Embedded message: up to 60 characters and a NUL.
inline constexpr std::size_t kMessage = 0x300;
inline constexpr std::size_t kMessageSize = 64;
inline constexpr std::size_t kMessageMaxChars = 60;

// Band data of the model: upper edge, lower edge (frequency fields), 8 more bytes.
inline constexpr std::size_t kBandData = 0x350;
inline constexpr std::size_t kBandDataSize = 16;
inline constexpr std::size_t kUpperBandEdge = 0x350;
inline constexpr std::size_t kLowerBandEdge = 0x354;
inline constexpr std::size_t kBandEdgesSize = 8;  // the part of the band data that identifies a model

// DTMF codes of 16 digit bytes.
inline constexpr std::size_t kDtmfCodeSize = 16;
inline constexpr std::size_t kPttIdBegin = 0x360;
inline constexpr std::size_t kPttIdEnd = 0x370;
inline constexpr std::size_t kEmergencyId = 0x380;

// Single-byte settings of the function, scan, VOX, DTMF and two-tone timing pages.
inline constexpr std::size_t kDtmfSpeed = 0x3B0;
inline constexpr std::size_t kDtmfFirstDigitTime = 0x3B1;
inline constexpr std::size_t kDtmfFirstDigitDelay = 0x3B2;
inline constexpr std::size_t kDtmfStarHashTime = 0x3B3;
inline constexpr std::size_t kDtmfDKeySetting = 0x3B4;
inline constexpr std::size_t kFirstToneDuration = 0x3B5;
inline constexpr std::size_t kSecondToneDuration = 0x3B6;
inline constexpr std::size_t kLongToneDuration = 0x3B7;
inline constexpr std::size_t kToneGap = 0x3B8;
inline constexpr std::size_t kNormalKeyFunction = 0x3B9;
inline constexpr std::size_t kShortKeyFunction = 0x3BA;
inline constexpr std::size_t kLongKeyFunction = 0x3BB;
inline constexpr std::size_t kSquelchLevel = 0x3C1;
inline constexpr std::size_t kLongPressDuration = 0x3C2;
inline constexpr std::size_t kTimeOutTimer = 0x3C3;
inline constexpr std::size_t kVoxGain = 0x3C5;
inline constexpr std::size_t kPriorityChannel = 0x3C6;
inline constexpr std::size_t kRevertChannelMode = 0x3C8;
inline constexpr std::size_t kEmergencyChannel = 0x3C9;
inline constexpr std::size_t kDropoutDelay = 0x3CB;
inline constexpr std::size_t kTransmitDwell = 0x3CC;
inline constexpr std::size_t kVoxDelay = 0x3CD;

// Bit-field bytes and their bits.
inline constexpr std::size_t kOptions = 0x3C0;
namespace options {
inline constexpr std::uint8_t kSpeechLanguage = 0x01;   // set: not the first voice package
inline constexpr std::uint8_t kBatterySave = 0x02;
inline constexpr std::uint8_t kTailReversal1 = 0x04;
inline constexpr std::uint8_t kTailReversal2 = 0x08;
inline constexpr std::uint8_t kAnnounceChannel = 0x20;
inline constexpr std::uint8_t kDtmfSideTone = 0x40;
inline constexpr std::uint8_t kRogerToneOff = 0x80;
}  // namespace options

inline constexpr std::size_t kKeyAndVox = 0x3C4;
namespace key_and_vox {
inline constexpr std::uint8_t kProgrammableKeyMode = 0x01;
inline constexpr std::uint8_t kVoxCheckEarphone = 0x02;
inline constexpr std::uint8_t kWiredCloneOff = 0x04;
inline constexpr std::uint8_t kTestMode = 0x10;
inline constexpr std::uint8_t kTransferFlag = 0x20;     // set in the copy sent to the radio
inline constexpr std::uint8_t kVoxTone = 0x40;
inline constexpr std::uint8_t kVoxCancel = 0x80;
}  // namespace key_and_vox

inline constexpr std::size_t kAlarm = 0x3CE;
namespace alarm {
inline constexpr std::uint8_t kLocalAlarm = 0x01;
inline constexpr std::uint8_t kSendEni = 0x02;
inline constexpr std::uint8_t kSendBackgroundNoise = 0x04;
inline constexpr std::uint8_t kSendAlarmTone = 0x08;
inline constexpr std::uint8_t kSignalRelation = 0x40;
}  // namespace alarm

inline constexpr std::size_t kScanAndPttId = 0x3CF;
namespace scan_and_ptt_id {
inline constexpr std::uint8_t kPttIdMode = 0x03;
inline constexpr std::uint8_t kScanType = 0x0C;         // both set: the first scan type option
inline constexpr std::uint8_t kScanTypeLow = 0x04;      // alone: the second scan type option
inline constexpr std::uint8_t kScanTypeHigh = 0x08;     // set: the first scan type option
inline constexpr std::uint8_t kBatteryLowNotice = 0x20;
inline constexpr std::uint8_t kTwoToneSideTone = 0x80;
}  // namespace scan_and_ptt_id

// Model identifier: the radio's 8-byte identifier in reverse order.
inline constexpr std::size_t kModelId = 0x3D0;
inline constexpr std::size_t kModelIdSize = 8;

// Calibration area of the test mode, with the password block inside it.
inline constexpr std::size_t kCalibration = 0x3E0;
inline constexpr std::size_t kCalibrationSize = 32;
inline constexpr std::size_t kPowerPermit = 0x3EA;
inline constexpr std::uint8_t kHighPowerPermitted = 0x01;
inline constexpr std::size_t kPassword = 0x3ED;
inline constexpr std::size_t kPasswordSize = 3;
// The alignment values of the calibration table, one byte each.
namespace calibration {
inline constexpr std::size_t kSql3 = 0x3E0;
inline constexpr std::size_t kSql9 = 0x3E2;
inline constexpr std::size_t kVoltage = 0x3E4;
inline constexpr std::size_t kVox1 = 0x3E5;
inline constexpr std::size_t kVox5 = 0x3E6;
inline constexpr std::size_t kLowTune = 0x3E7;
inline constexpr std::size_t kMiddleTune = 0x3E8;
inline constexpr std::size_t kHighTune = 0x3E9;
inline constexpr std::size_t kLowLowPower = 0x3F0;
inline constexpr std::size_t kLowHighPower = 0x3F1;
inline constexpr std::size_t kMiddleLowPower = 0x3F2;
inline constexpr std::size_t kMiddleHighPower = 0x3F3;
inline constexpr std::size_t kHighLowPower = 0x3F4;
inline constexpr std::size_t kHighHighPower = 0x3F5;
inline constexpr std::size_t kCtcssLow = 0x3F6;
inline constexpr std::size_t kCtcssMiddle = 0x3F7;
inline constexpr std::size_t kCtcssHigh = 0x3F8;
inline constexpr std::size_t kDcs = 0x3F9;
inline constexpr std::size_t kTwoTone = 0x3FA;
inline constexpr std::size_t kLowCtcssModulation = 0x3FB;
inline constexpr std::size_t kHighCtcssModulation = 0x3FC;
}  // namespace calibration

}  // namespace image
