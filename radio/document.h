#pragma once
// CTavroPgmDoc: one radio configuration. It owns the 1088-byte document block
// (header, radio image, voice package identifier) and the values kept beside it
// (radio version, model index, band edges, modified flag, file name), and offers
// every operation on them: codecs, models, the data file, the channel table.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "radio/image_map.h"
#include "radio/prompt.h"

class AppFiles;
class VoiceCatalogue;

// Why a file could not be opened or saved, for a message from the language file.
struct FileError {
  std::string textKey;  // "IDS_ERROR_OPENFILE" or "IDS_ERROR_SAVEFILE"
  std::filesystem::path path;
  int systemError = 0;  // errno

  std::string Text(const AppFiles& files) const;
};

// The error of a failed file replacement (file_io::ReplaceFileAtomically): a file that
// may not be replaced gets its own message ("IDS_ERROR_READONLY"), any other failure
// textKey with the system's reason.
FileError WriteFailure(std::string textKey, const std::filesystem::path& path, int systemError);

class CTavroPgmDoc {
 public:
  static constexpr std::uint8_t kNewRadioVersion = 0x20;
  static constexpr int kNewDocumentModel = 2;
  static constexpr int kNoModel = -1;
  static constexpr std::int32_t kDefaultLowerEdge = 100000000;
  static constexpr std::int32_t kDefaultUpperEdge = 500000000;

  explicit CTavroPgmDoc(const AppFiles& files, VoiceCatalogue* catalogue = nullptr);
  CTavroPgmDoc(const CTavroPgmDoc&) = delete;
  CTavroPgmDoc& operator=(const CTavroPgmDoc&) = delete;

  const AppFiles& Files() const { return files_; }

  // The block and its three parts.
  std::span<std::uint8_t, block::kSize> Block() { return block_; }
  std::span<const std::uint8_t, block::kSize> Block() const { return block_; }
  std::span<std::uint8_t, block::kHeaderSize> Header() { return Part<block::kHeader, block::kHeaderSize>(); }
  std::span<std::uint8_t, block::kImageSize> Image() { return Part<block::kImage, block::kImageSize>(); }
  std::span<const std::uint8_t, block::kImageSize> Image() const {
    return std::span<const std::uint8_t, block::kSize>(block_).subspan<block::kImage, block::kImageSize>();
  }
  std::span<std::uint8_t, block::kVoiceIdSize> VoiceId() { return Part<block::kVoiceId, block::kVoiceIdSize>(); }
  std::uint8_t& At(std::size_t imageOffset) { return block_[block::kImage + imageOffset]; }
  std::uint8_t At(std::size_t imageOffset) const { return block_[block::kImage + imageOffset]; }

  std::uint8_t RadioVersion() const { return radioVersion_; }
  void SetRadioVersion(std::uint8_t version) { radioVersion_ = version; }
  // "2.0" for 0x20; empty for 0.
  std::string RadioVersionText() const;
  int ModelIndex() const { return modelIndex_; }
  std::int32_t BandLowerEdge() const { return bandLower_; }
  std::int32_t BandUpperEdge() const { return bandUpper_; }
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true) { modified_ = modified; }
  const std::filesystem::path& PathName() const { return pathName_; }
  void SetPathName(std::filesystem::path path) { pathName_ = std::move(path); }

  // Everything an edit can change: the block and the values kept beside it, without the
  // modified flag and the file name. Undo goes back to such states.
  struct State {
    std::array<std::uint8_t, block::kSize> block{};
    std::uint8_t radioVersion = kNewRadioVersion;
    int modelIndex = kNoModel;
    std::int32_t bandLower = kDefaultLowerEdge;
    std::int32_t bandUpper = kDefaultUpperEdge;
    bool operator==(const State&) const = default;
  };
  State CurrentState() const { return {block_, radioVersion_, modelIndex_, bandLower_, bandUpper_}; }
  bool HasState(const State& state) const { return CurrentState() == state; }
  void RestoreState(const State& state);

  // Block and models.
  void DeleteContents();
  void ResetVoiceId();
  void ApplyModel(int model);
  // The model numbers that setting.ini's section [model] describes (an identifier and band
  // data each), ascending.
  static std::vector<int> ModelNumbers(const AppFiles& files);
  void IdentifyModel();
  void SetBandFromModel();
  // Speech language choice: false (nothing changed) when k is not a catalogue entry.
  bool SelectVoicePackage(std::size_t k);

  // Document lifecycle and data file.
  enum class NewOutcome { Created, Kept };
  // New: the clear warning (unless suppressClearPrompt was set, which it consumes),
  // then a fresh model-2 image.
  NewOutcome OnNewDocument(Prompter& prompter, bool& suppressClearPrompt);
  // Fills the reset block from data file bytes, with the header check and its warning.
  // Returns false when the header did not match (the image then stays empty).
  bool Load(std::span<const std::uint8_t> file, Prompter& prompter);
  // The 1088 bytes of a data file; the model is identified afresh.
  std::array<std::uint8_t, block::kSize> Store();
  // Open and save of a data file. On failure the document's block and state are
  // unchanged (open) or the document stays modified (save), and error says why.
  // A file whose header does not match still opens, under its name, with an empty image.
  enum class OpenOutcome { Opened, OpenedWithoutData, Failed };
  OpenOutcome OnOpenDocument(const std::filesystem::path& path, Prompter& prompter, FileError& error);
  // The two halves of an open, for a caller that resets the document in between: the
  // file's bytes (nullopt with error set when it cannot be read, a directory among such),
  // then those bytes opened under the file's name.
  static std::optional<std::string> ReadDataFile(const std::filesystem::path& path, FileError& error);
  OpenOutcome OpenDataFile(const std::filesystem::path& path, std::string_view file, Prompter& prompter);
  bool OnSaveDocument(const std::filesystem::path& path, FileError& error);
  // A successful read from the radio: the image is replaced and the model identified.
  void ImageReadFromRadio(std::span<const std::uint8_t, block::kImageSize> image);

  // Frequencies (channel 1..16; receive or transmit field).
  std::string ChannelFrequencyText(int channel, bool receive) const;
  int CheckBand(std::string_view text) const;  // +1 above, -1 below, 0 inside or empty
  std::string BandEdgeText(bool upper) const;
  // Writes a frequency text that passed the band check; an off-raster frequency asks
  // whether to take the nearest raster frequency instead (Cancel keeps the stored one).
  void EncodeFrequency(std::string_view text, int channel, bool receive, Prompter& prompter);
  // The text to store for a typed frequency: itself inside the band; outside, the nearer
  // band edge when the user agrees, else the stored frequency.
  std::string BandCheckedText(std::string_view text, int channel, bool receive, Prompter& prompter) const;

  // Tones.
  std::string ToneToText(int channel, bool receive) const;
  void EncodeTone(std::string_view text, int channel, bool receive);
  std::string TwoToneText(int entry, bool second) const;
  int CallFormatToIndex(int set, int decoder) const;
  void IndexToCallFormat(int set, int decoder, int index);

  // Embedded message and password.
  std::string MessageText();
  void SetMessageText(std::string_view text);
  std::string PasswordText() const;
  static void PasswordFromText(std::string_view text, std::span<std::uint8_t, 3> destination);

  // Channel table queries.
  bool IsChannelUsed(int channel) const;
  bool HasTransmitFrequency(int channel) const;
  bool IsSimplex(int channel) const;
  bool SameTones(int channel) const;
  bool IsHighPowerPermitted() const;
  // The always-low-power choice: clears (or sets) bit 0 of the power permit byte, other
  // bits kept. A change marks the document modified; returns whether the byte changed.
  bool SetHighPowerPermitted(bool permitted);
  // True when two or more used channels are scanned; otherwise forces the scan type
  // to its first option and returns false.
  bool CountScanChannels();

  // Channel edits, with the rules that keep a record consistent.
  void EraseChannel(int channel);
  void ClearTransmitFrequency(int channel);
  // A frequency typed into a channel (after the band check): encodes it, erases the
  // channel or clears the transmit side for empty text, and keeps simplex channels simplex.
  void SetChannelFrequency(int channel, bool receive, std::string_view text, Prompter& prompter);
  // A tone typed, chosen, pasted or imported, if the tone rule (codec::ParseToneText, with
  // this language's "none" text) takes it: a receive tone also sets an equal transmit tone.
  // False, with nothing changed, for a text the rule refuses.
  bool SetChannelTone(int channel, bool receive, std::string_view text);

  std::span<std::uint8_t, image::kChannelRecordSize> ChannelRecord(int channel);
  std::span<const std::uint8_t, image::kChannelRecordSize> ChannelRecord(int channel) const;

 private:
  class ModifiedIfChanged;
  template <std::size_t Offset, std::size_t Size>
  std::span<std::uint8_t, Size> Part() {
    return std::span<std::uint8_t, block::kSize>(block_).subspan<Offset, Size>();
  }
  std::span<std::uint8_t, 4> FrequencyField(int channel, bool receive);
  std::span<const std::uint8_t, 4> FrequencyField(int channel, bool receive) const;
  std::span<std::uint8_t, 2> ToneField(int channel, bool receive);
  std::span<const std::uint8_t, 2> ToneField(int channel, bool receive) const;
  void WriteFactoryDefaults();
  static std::size_t CallFormatOffset(int set, int decoder);

  const AppFiles& files_;
  VoiceCatalogue* catalogue_;
  std::array<std::uint8_t, block::kSize> block_{};
  std::uint8_t radioVersion_ = kNewRadioVersion;
  int modelIndex_ = kNoModel;
  std::int32_t bandLower_ = kDefaultLowerEdge;
  std::int32_t bandUpper_ = kDefaultUpperEdge;
  bool modified_ = false;
  std::filesystem::path pathName_;
};
