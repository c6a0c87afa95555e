#include "link/transfer.h"

#include <algorithm>
#include <cerrno>

#include "link/serial.h"
#include "link/voice_package.h"
#include "settings/app_files.h"

WriteVoiceData ReadWriteVoiceData(const std::filesystem::path& programDirectory, const CVoicePackage* packages,
                                  bool overwriteVoice, std::span<std::uint8_t, radio_memory::kSize> buffer) {
  const std::string selected = packages != nullptr ? packages->SelectedFileName() : std::string();
  if (selected.empty()) {
    if (!overwriteVoice) return {};
    // Asked to send voice data, with no package beside the program to send.
    return {false, FileError{"IDS_ERROR_OPENFILE", programDirectory / "*.enc", ENOENT}};
  }
  const std::filesystem::path file = programDirectory / selected.substr(1);
  if (LoadVoiceData(file, buffer)) return {true, std::nullopt};
  const int error = errno;
  if (!overwriteVoice) return {};
  return {false, FileError{"IDS_ERROR_OPENFILE", file, error}};
}

std::optional<FileError> WriteVoiceError(const std::filesystem::path& programDirectory, const CVoicePackage* packages,
                                         bool overwriteVoice) {
  auto buffer = std::make_unique<std::array<std::uint8_t, radio_memory::kSize>>();
  return ReadWriteVoiceData(programDirectory, packages, overwriteVoice, *buffer).error;
}

std::array<std::uint8_t, block::kImageSize> TransferImage(const CTavroPgmDoc& doc) {
  std::array<std::uint8_t, block::kImageSize> image{};
  std::copy(doc.Image().begin(), doc.Image().end(), image.begin());
  image[image::kKeyAndVox] |= image::key_and_vox::kTransferFlag;
  return image;
}

std::array<std::uint8_t, block::kImageSize> ImageAfterWrite(const CTavroPgmDoc& doc,
                                                            std::span<const std::uint8_t, block::kImageSize> radio,
                                                            bool writeCalibration) {
  std::array<std::uint8_t, block::kImageSize> image = TransferImage(doc);
  if (!writeCalibration)
    std::copy_n(radio.begin() + image::kCalibration, image::kCalibrationSize, image.begin() + image::kCalibration);
  return image;
}

std::shared_ptr<TransferJob> TransferJob::Start(CTavroPgmDoc& doc, SerialPort& port, const TransferOptions& options,
                                                const CVoicePackage* packages, FileError* voiceError) {
  std::shared_ptr<TransferJob> job = Prepare(doc, port, options, packages, voiceError);
  // The worker holds the job, so buffer and parameters outlive an early-closed caller.
  if (job != nullptr) job->worker_ = std::thread([job] { job->Run(); });
  return job;
}

std::shared_ptr<TransferJob> TransferJob::Prepare(CTavroPgmDoc& doc, SerialPort& port, const TransferOptions& options,
                                                  const CVoicePackage* packages, FileError* voiceError) {
  const bool isRead = options.isRead;
  std::shared_ptr<TransferJob> job(new TransferJob());
  std::fill(job->buffer_.begin(), job->buffer_.end(), 0xFF);
  WriteVoiceData voice;
  if (!isRead) {
    voice = ReadWriteVoiceData(doc.Files().ProgramDirectory(), packages, options.overwriteVoice, job->buffer_);
    if (voice.error) {
      if (voiceError != nullptr) *voiceError = *voice.error;
      return nullptr;
    }
  }
  const auto image = TransferImage(doc);
  std::copy(image.begin(), image.end(), job->buffer_.begin());
  job->version_ = doc.RadioVersion();
  const auto voiceId = doc.VoiceId();
  std::copy(voiceId.begin(), voiceId.end(), job->voiceId_.begin());

  TransferParams& params = job->params_;
  params.port = &port;
  params.settingsPath = doc.Files().SettingsPath();
  params.isRead = isRead;
  params.buffer = job->buffer_.data();
  params.version = &job->version_;
  params.voiceId = job->voiceId_.data();
  params.overwriteVoice = options.overwriteVoice;
  params.writeCalibration = options.writeCalibration;
  params.configuredPort = options.configuredPort;
  params.allowPortSearch = options.allowPortSearch;
  params.voiceDataPresent = voice.present;
  return job;
}

TransferJob::~TransferJob() {
  if (worker_.joinable()) worker_.detach();
}

void TransferJob::Wait() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

bool TransferJob::HandOver(CTavroPgmDoc& doc) {
  doc.SetRadioVersion(version_);
  if (State() != TransferState::ReadDone) return false;
  if (version_ >= radio_memory::kSecondGeneration) std::copy(voiceId_.begin(), voiceId_.end(), doc.VoiceId().begin());
  doc.ImageReadFromRadio(std::span<const std::uint8_t, block::kImageSize>(buffer_.data(), block::kImageSize));
  return true;
}

std::shared_ptr<TransferJob> StartReadBack(CTavroPgmDoc& doc, CSerial& port) {
  if (!port.Reopen()) return nullptr;
  TransferOptions options;
  options.isRead = true;
  options.allowPortSearch = false;
  return TransferJob::Start(doc, port, options, nullptr);
}
