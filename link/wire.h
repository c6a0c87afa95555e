#pragma once
// The vocabulary of the radio's programming link, shared by the transfer, the
// radio password and the test mode: control bytes, frame commands, sizes, waits.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wire {

inline constexpr std::string_view kHandshake = "PROGRAM";  // sent one letter at a time
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kIdentify = 0x02;            // answered with 8 bytes
inline constexpr std::uint8_t kVersionQuery = 'r';         // answered with 2 bytes
inline constexpr std::uint8_t kReadRequest = 'R';
inline constexpr std::uint8_t kDataReply = 'W';
inline constexpr std::uint8_t kWriteFrame = 'w';
inline constexpr std::uint8_t kSettingFrame = 'K';

inline constexpr std::size_t kIdentificationSize = 8;
inline constexpr std::size_t kFrameHeader = 4;  // command, address high, address low, length
inline constexpr std::size_t kCalibrationBlock = 8;  // the calibration area moves in blocks of eight

inline constexpr int kLetterPauseMs = 15;   // before each handshake letter
inline constexpr int kPortSettleMs = 100;   // after a port opened
inline constexpr int kAckWaitMs = 50;       // for the answer to a control byte
inline constexpr int kWriteAckWaitMs = 100; // for the acknowledge of a write frame

}  // namespace wire
