#pragma once
// One read or write of a radio on a worker thread: the transfer buffer is prepared
// from the document, RunTransfer runs, and the caller follows TransferParams::state.
// The job owns the buffer and the parameters and lives until the worker has returned,
// even when whoever started it has gone (a cancelled dialog).

#include <array>
#include <cstdint>
#include <memory>
#include <thread>

#include "link/protocol.h"
#include "radio/image_map.h"

class CTavroPgmDoc;
class CVoicePackage;

struct TransferOptions {
  bool isRead = true;
  bool overwriteVoice = false;  // write: send the voice data even when the radio has it
  int configuredPort = 0;       // 0: the "com" setting
  bool allowPortSearch = true;
};

class TransferJob {
 public:
  // Copies the image (with the transfer flag set) and, for a write, the voice data of the
  // selected voice package, then starts the worker.
  static std::shared_ptr<TransferJob> Start(CTavroPgmDoc& doc, CSerial& port, const TransferOptions& options,
                                            const CVoicePackage* packages);
  ~TransferJob();

  TransferParams& Params() { return params_; }
  TransferState State() const { return params_.state.load(); }
  void Cancel() { params_.cancel.store(true); }
  // Blocks until the worker has returned.
  void Wait();
  // After a final state: gives the document the radio version the radio reported and,
  // when the read succeeded, the received image and voice identifier. True on ReadDone.
  bool HandOver(CTavroPgmDoc& doc);

 private:
  TransferJob() = default;
  TransferParams params_;
  std::array<std::uint8_t, radio_memory::kSize> buffer_{};
  std::uint8_t version_ = 0;
  std::array<std::uint8_t, block::kVoiceIdSize> voiceId_{};
  std::thread worker_;
};
