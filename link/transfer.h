#pragma once
// One read or write of a radio on a worker thread: the transfer buffer is prepared
// from the document, RunTransfer runs, and the caller follows TransferParams::state.
// The job owns the buffer and the parameters and lives until the worker has returned,
// even when whoever started it has gone (a cancelled dialog).

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <thread>

#include "link/protocol.h"
#include "radio/document.h"
#include "radio/image_map.h"

class CSerial;
class CVoicePackage;

struct TransferOptions {
  bool isRead = true;
  bool overwriteVoice = false;  // write: send the voice data even when the radio has it
  bool writeCalibration = false;  // write: the file's calibration area instead of the radio's own
  int configuredPort = 0;       // 0: the "com" setting
  bool allowPortSearch = true;
};

// The voice data a write sends after the image, decided and read before anything goes to
// the radio: the selected voice package's, into buffer[0x400..0x7FFF]. Without
// `overwriteVoice` a package that cannot be read (or no package at all) leaves the write
// with the configuration only. With it the user asked for the voice data to be sent, so a
// missing or unreadable package file, or no package at all, is a file error
// ("IDS_ERROR_OPENFILE") and the write must not start.
struct WriteVoiceData {
  bool present = false;            // the buffer holds voice data to send
  std::optional<FileError> error;  // set: nothing may be sent
};
WriteVoiceData ReadWriteVoiceData(const std::filesystem::path& programDirectory, const CVoicePackage* packages,
                                  bool overwriteVoice, std::span<std::uint8_t, radio_memory::kSize> buffer);
// The file error a write would stop at for its voice data (ReadWriteVoiceData), found before
// anything else is done with the radio (a backup read); nullopt when the write can start.
std::optional<FileError> WriteVoiceError(const std::filesystem::path& programDirectory, const CVoicePackage* packages,
                                         bool overwriteVoice);

// The image a write starts from: the document's, with the transfer flag set.
std::array<std::uint8_t, block::kImageSize> TransferImage(const CTavroPgmDoc& doc);

// What a write of `doc` leaves in a radio that holds `radio`: the transfer image with the
// radio's own calibration area, or with the document's when `writeCalibration`. A
// verification that did not follow a write compares with this.
std::array<std::uint8_t, block::kImageSize> ImageAfterWrite(const CTavroPgmDoc& doc,
                                                            std::span<const std::uint8_t, block::kImageSize> radio,
                                                            bool writeCalibration);

class TransferJob {
 public:
  // Copies the image (with the transfer flag set) and, for a write, the voice data it sends
  // (ReadWriteVoiceData), then starts the worker. When that voice data cannot be read nothing
  // starts: the result is null and `voiceError`, when given, says why.
  static std::shared_ptr<TransferJob> Start(CTavroPgmDoc& doc, SerialPort& port, const TransferOptions& options,
                                            const CVoicePackage* packages, FileError* voiceError = nullptr);
  // The same job without the worker: Run() then runs the transfer on the calling thread.
  static std::shared_ptr<TransferJob> Prepare(CTavroPgmDoc& doc, SerialPort& port, const TransferOptions& options,
                                              const CVoicePackage* packages, FileError* voiceError = nullptr);
  // The transfer itself (the worker runs this); returns at a final state or a cancel. Run on
  // the caller's thread, the model question needs Params().presetTypeAnswer, as nobody can
  // answer it meanwhile.
  void Run() { RunTransfer(params_); }
  ~TransferJob();

  TransferParams& Params() { return params_; }
  TransferState State() const { return params_.state.load(); }
  void Cancel() { params_.cancel.store(true); }
  // Blocks until the worker has returned.
  void Wait();
  // After a final state: gives the document the radio version the radio reported and,
  // when the read succeeded, the received image and voice identifier. True on ReadDone.
  bool HandOver(CTavroPgmDoc& doc);
  // The image in the transfer buffer, once the worker has returned: what a write sent (the
  // radio's own calibration area in it, unless the file's was written), or after ReadDone
  // what a read received. A verification after a write compares with this.
  std::span<const std::uint8_t, block::kImageSize> Image() const {
    return std::span<const std::uint8_t, radio_memory::kSize>(buffer_).first<block::kImageSize>();
  }

 private:
  TransferJob() = default;
  TransferParams params_;
  std::array<std::uint8_t, radio_memory::kSize> buffer_{};
  std::uint8_t version_ = 0;
  std::array<std::uint8_t, block::kVoiceIdSize> voiceId_{};
  std::thread worker_;
};

// Reads back what a write on `port` has just sent: ends the write's session (a
// second-generation radio listens at 38400 baud until the port closes), opens the same
// device again and starts a read there, without a port search. The received image is the
// job's Image(); the document is not changed. Null when the device cannot be opened again.
std::shared_ptr<TransferJob> StartReadBack(CTavroPgmDoc& doc, CSerial& port);
