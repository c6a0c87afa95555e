#include "radio/document.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "radio/codecs.h"
#include "radio/entry_codecs.h"
#include "radio/voice_catalogue.h"
#include "settings/app_files.h"
#include "settings/file_io.h"

namespace {

std::string ModelKey(std::string_view name, int model) { return std::string(name) + std::to_string(model); }

std::int32_t ToEdge(std::int64_t hz) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(hz, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::string FileError::Text(const AppFiles& files) const {
  std::string text = files.GetText(textKey) + " " + path.string();
  if (systemError != 0) text += " (" + std::string(std::strerror(systemError)) + ")";
  return text;
}

FileError WriteFailure(std::string textKey, const std::filesystem::path& path, int systemError) {
  std::error_code ignored;
  if (std::filesystem::exists(path, ignored) && !file_io::MayReplace(path)) return {"IDS_ERROR_READONLY", path, 0};
  return {std::move(textKey), path, systemError};
}

CTavroPgmDoc::CTavroPgmDoc(const AppFiles& files, VoiceCatalogue* catalogue)
    : files_(files), catalogue_(catalogue) {
  DeleteContents();
}

std::string CTavroPgmDoc::RadioVersionText() const {
  if (radioVersion_ == 0) return {};
  char text[8];
  std::snprintf(text, sizeof text, "%01X.%01X", radioVersion_ >> 4, radioVersion_ & 0x0F);
  return text;
}

void CTavroPgmDoc::RestoreState(const State& state) {
  block_ = state.block;
  radioVersion_ = state.radioVersion;
  modelIndex_ = state.modelIndex;
  bandLower_ = state.bandLower;
  bandUpper_ = state.bandUpper;
}

// ---------------------------------------------------------------- block and models

void CTavroPgmDoc::DeleteContents() {
  std::copy(block::kFreshHeader.begin(), block::kFreshHeader.end(), Header().begin());
  std::fill(Image().begin(), Image().end(), image::kEmpty);
  ResetVoiceId();
}

void CTavroPgmDoc::ResetVoiceId() {
  std::copy(std::begin(block::kDefaultVoiceId), std::end(block::kDefaultVoiceId), VoiceId().begin());
}

std::vector<int> CTavroPgmDoc::ModelNumbers(const AppFiles& files) {
  constexpr int kModelSlots = 16;
  std::vector<int> models;
  for (int model = 0; model < kModelSlots; ++model) {
    if (files.FindSetting("model", ModelKey("model", model)) && files.FindSetting("model", ModelKey("value", model)))
      models.push_back(model);
  }
  return models;
}

void CTavroPgmDoc::ApplyModel(int model) {
  const std::optional<std::string> id = files_.FindSetting("model", ModelKey("model", model));
  const std::optional<std::string> value = files_.FindSetting("model", ModelKey("value", model));
  modelIndex_ = model;
  // Without an entry the identifier and band data stay empty; the band falls back to the default.
  if (id && value) {
    codec::HexToBytes(*id,
                      Image().subspan(image::kModelId, image::kModelIdSize));
    codec::HexToBytes(*value,
                      Image().subspan(image::kBandData, image::kBandDataSize));
  }
  SetBandFromModel();
  WriteFactoryDefaults();
  ResetVoiceId();
}

void CTavroPgmDoc::WriteFactoryDefaults() {
  using namespace image;
  auto clear = [this](std::size_t at, std::uint8_t bits) { At(at) &= static_cast<std::uint8_t>(~bits); };
  auto set = [this](std::size_t at, std::uint8_t bits) { At(at) |= bits; };

  clear(kKeyAndVox, key_and_vox::kProgrammableKeyMode | key_and_vox::kVoxCheckEarphone);
  clear(kAlarm, alarm::kSendEni | alarm::kSendBackgroundNoise | alarm::kSendAlarmTone);
  At(kDropoutDelay) = 50;    // 5.0 s
  At(kTransmitDwell) = 50;   // 5.0 s
  clear(kOptions, options::kTailReversal1);
  set(kOptions, options::kTailReversal2);
  At(kTimeOutTimer) = 6;         // 180 s
  At(kVoxGain) = 2;
  At(kVoxDelay) = 30;            // 3.0 s
  At(kShortKeyFunction) = 4;
  At(kLongKeyFunction) = 6;
  At(kLongPressDuration) = 100;  // 2.0 s
  At(kDtmfFirstDigitTime) = 0;
  At(kDtmfFirstDigitDelay) = 2;  // 100 ms
  At(kDtmfStarHashTime) = 0;
  At(kDtmfDKeySetting) = 0;
  set(kScanAndPttId, 0x03);      // PTT ID mode 3
  At(kSquelchLevel) = 3;
  At(kNormalKeyFunction) = 3;
  At(kDtmfSpeed) = 5;
  At(kFirstToneDuration) = 5;    // 0.5 s
  At(kSecondToneDuration) = 5;
  At(kToneGap) = 10;             // 1.0 s
  At(kLongToneDuration) = 10;
  At(kRevertChannelMode) = 1;
  // Every decoder of every signal set answers with call response 1.
  for (int set = 1; set <= image::channel::kSignalSetCount; ++set) {
    for (std::size_t format : signal_set::kDecodeFormat) {
      std::uint8_t& byte = At(SignalSetOffset(set) + format);
      byte = image::WithField(byte, signal_set::kCallResponseMask, 1u << signal_set::kCallResponseShift);
    }
  }
}

void CTavroPgmDoc::IdentifyModel() {
  modelIndex_ = kNoModel;
  const auto image = Image();
  for (int model = 0; model < 16; ++model) {
    const std::optional<std::string> id = files_.FindSetting("model", ModelKey("model", model));
    if (!id) break;
    std::array<std::uint8_t, image::kModelIdSize> idBytes{};
    codec::HexToBytes(*id, idBytes);
    if (!std::equal(idBytes.begin(), idBytes.end(), image.begin() + image::kModelId)) continue;
    const std::optional<std::string> value = files_.FindSetting("model", ModelKey("value", model));
    if (!value) continue;
    std::array<std::uint8_t, image::kBandEdgesSize> edges{};
    codec::HexToBytes(*value, edges);
    // The last matching entry wins.
    if (std::equal(edges.begin(), edges.end(), image.begin() + image::kBandData)) modelIndex_ = model;
  }
  SetBandFromModel();
}

void CTavroPgmDoc::SetBandFromModel() {
  bandLower_ = kDefaultLowerEdge;
  bandUpper_ = kDefaultUpperEdge;
  if (modelIndex_ == kNoModel) return;
  const std::optional<std::string> value = files_.FindSetting("model", ModelKey("value", modelIndex_));
  if (!value) return;
  std::array<std::uint8_t, image::kBandDataSize> band{};
  codec::HexToBytes(*value, band);
  // An edge goes through its text form and loses the single hertz digit.
  auto edge = [&](std::size_t at) {
    const std::int64_t hz = codec::TextToHz(codec::FrequencyToText(std::span<const std::uint8_t, 4>(band.data() + at, 4)));
    return ToEdge(hz / 10 * 10);
  };
  bandUpper_ = edge(image::kUpperBandEdge - image::kBandData);
  bandLower_ = edge(image::kLowerBandEdge - image::kBandData);
}

bool CTavroPgmDoc::SelectVoicePackage(std::size_t k) {
  if (catalogue_ == nullptr || k >= catalogue_->Count()) return false;
  if (k != 0)
    At(image::kOptions) |= image::options::kSpeechLanguage;
  else
    At(image::kOptions) &= static_cast<std::uint8_t>(~image::options::kSpeechLanguage);
  catalogue_->Select(k);
  const VoiceCatalogue::Identifier id = catalogue_->IdentifierOf(k);
  std::copy(id.begin(), id.end(), VoiceId().begin());
  return true;
}

// ---------------------------------------------------------------- lifecycle and data file

CTavroPgmDoc::NewOutcome CTavroPgmDoc::OnNewDocument(Prompter& prompter, bool& suppressClearPrompt) {
  radioVersion_ = kNewRadioVersion;
  if (suppressClearPrompt) {
    suppressClearPrompt = false;
  } else if (prompter.Ask({"IDS_WARN_CLEAR", "", "IDS_PROMPT", PromptIcon::Exclamation,
                           PromptButtons::OkCancel}) != PromptAnswer::Ok) {
    return NewOutcome::Kept;
  }
  DeleteContents();
  modified_ = false;
  pathName_.clear();
  ApplyModel(kNewDocumentModel);
  return NewOutcome::Created;
}

bool CTavroPgmDoc::Load(std::span<const std::uint8_t> file, Prompter& prompter) {
  auto copyPart = [&](std::size_t from, std::span<std::uint8_t> to) {
    if (file.size() > from) {
      const std::size_t count = std::min(to.size(), file.size() - from);
      std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(from), count, to.begin());
    }
  };
  copyPart(block::kHeader, Header());
  const bool signatureMatches =
      file.size() >= block::kHeaderSize &&
      std::equal(block::kSignature.begin(), block::kSignature.end(),
                 Header().begin() + block::kSignatureOffset);
  if (!signatureMatches) {
    prompter.Ask({"IDS_WARN_LOAD", "", "", PromptIcon::Error, PromptButtons::Ok});
  } else {
    copyPart(block::kImage, Image());
    copyPart(block::kVoiceId, VoiceId());
    if (file.size() < block::kSize) {
      // A short identifier keeps only its first byte, moved into the default identifier.
      const std::uint8_t kept = VoiceId()[0];
      ResetVoiceId();
      VoiceId()[block::kVoiceIdKeptByte] = kept;
    }
  }
  IdentifyModel();
  return signatureMatches;
}

std::array<std::uint8_t, block::kSize> CTavroPgmDoc::Store() {
  const std::array<std::uint8_t, block::kSize> bytes = block_;
  IdentifyModel();
  return bytes;
}

CTavroPgmDoc::OpenOutcome CTavroPgmDoc::OnOpenDocument(const std::filesystem::path& path,
                                                      Prompter& prompter, FileError& error) {
  const std::optional<std::string> file = ReadDataFile(path, error);
  return file ? OpenDataFile(path, *file, prompter) : OpenOutcome::Failed;
}

std::optional<std::string> CTavroPgmDoc::ReadDataFile(const std::filesystem::path& path, FileError& error) {
  std::optional<std::string> file = file_io::ReadFile(path, block::kSize);
  if (!file) error = {"IDS_ERROR_OPENFILE", path, errno};
  return file;
}

CTavroPgmDoc::OpenOutcome CTavroPgmDoc::OpenDataFile(const std::filesystem::path& path, std::string_view file,
                                                    Prompter& prompter) {
  DeleteContents();
  const bool matched = Load(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()), prompter);
  pathName_ = path;
  modified_ = false;
  return matched ? OpenOutcome::Opened : OpenOutcome::OpenedWithoutData;
}

bool CTavroPgmDoc::OnSaveDocument(const std::filesystem::path& path, FileError& error) {
  const std::array<std::uint8_t, block::kSize> bytes = Store();
  if (!file_io::ReplaceFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
    error = WriteFailure("IDS_ERROR_SAVEFILE", path, errno);
    return false;
  }
  pathName_ = path;
  modified_ = false;
  return true;
}

void CTavroPgmDoc::ImageReadFromRadio(std::span<const std::uint8_t, block::kImageSize> image) {
  std::copy(image.begin(), image.end(), Image().begin());
  IdentifyModel();
}

// ---------------------------------------------------------------- codecs

std::string CTavroPgmDoc::ChannelFrequencyText(int channel, bool receive) const {
  return codec::FrequencyToText(FrequencyField(channel, receive));
}

int CTavroPgmDoc::CheckBand(std::string_view text) const {
  if (text.empty()) return 0;
  const std::int64_t hz = codec::TextToHz(text);
  if (hz > bandUpper_) return 1;
  if (hz < bandLower_) return -1;
  return 0;
}

std::string CTavroPgmDoc::BandEdgeText(bool upper) const {
  return codec::MegahertzText(upper ? bandUpper_ : bandLower_);
}

std::string CTavroPgmDoc::BandCheckedText(std::string_view text, int channel, bool receive,
                                          Prompter& prompter) const {
  const int side = CheckBand(text);
  if (side == 0) return std::string(text);
  const std::string edge = BandEdgeText(side > 0);
  if (prompter.Ask({"IDS_OUTOFRANGE", " " + edge, "IDS_PROMPT", PromptIcon::Exclamation,
                    PromptButtons::OkCancel}) == PromptAnswer::Ok)
    return edge;
  return ChannelFrequencyText(channel, receive);
}

void CTavroPgmDoc::EncodeFrequency(std::string_view text, int channel, bool receive, Prompter& prompter) {
  const auto field = FrequencyField(channel, receive);
  if (text.empty()) {
    std::fill(field.begin(), field.end(), image::kEmpty);
    return;
  }
  std::string digits = codec::HertzDigits(text);
  const std::int64_t hz = codec::TextToHz(text);
  if (!codec::IsOnRaster(hz)) {
    const std::int64_t proposal = codec::NearestRasterFrequency(hz);
    if (prompter.Ask({"IDS_CHANGEFREQ", " " + codec::MegahertzText(proposal), "IDS_PROMPT",
                      PromptIcon::Exclamation, PromptButtons::OkCancel}) == PromptAnswer::Ok) {
      digits = std::to_string(proposal);
    } else {
      digits = ChannelFrequencyText(channel, receive);
      if (digits.empty()) return;
      digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    }
  }
  codec::PackHertzDigits(digits, field);
}

std::string CTavroPgmDoc::ToneToText(int channel, bool receive) const {
  std::optional<std::string> text = codec::ToneToText(ToneField(channel, receive));
  return text ? *text : files_.GetText("IDS_NONE");
}

void CTavroPgmDoc::EncodeTone(std::string_view text, int channel, bool receive) {
  codec::EncodeTone(text, ToneField(channel, receive));
}

std::string CTavroPgmDoc::TwoToneText(int entry, bool second) const {
  const std::size_t at = image::SignalCodeOffset(entry) + (second ? 2 : 0);
  return entry::TwoToneText(static_cast<std::uint16_t>(At(at) | (At(at + 1) << 8)));
}

std::size_t CTavroPgmDoc::CallFormatOffset(int set, int decoder) {
  return image::SignalSetOffset(set) + image::signal_set::kDecodeFormat[decoder != 0];
}

int CTavroPgmDoc::CallFormatToIndex(int set, int decoder) const {
  return codec::CallFormatToIndex(At(CallFormatOffset(set, decoder)));
}

void CTavroPgmDoc::IndexToCallFormat(int set, int decoder, int index) {
  std::uint8_t& byte = At(CallFormatOffset(set, decoder));
  byte = codec::IndexToCallFormat(byte, index);
}

std::string CTavroPgmDoc::MessageText() {
  if (At(image::kMessage) == image::kEmpty) return {};
  At(image::kMessage + image::kMessageSize - 1) = 0;  // the text always ends inside its region
  return reinterpret_cast<const char*>(&At(image::kMessage));
}

void CTavroPgmDoc::SetMessageText(std::string_view text) {
  if (text.empty()) {
    At(image::kMessage) = image::kEmpty;
    return;
  }
  const std::size_t length = std::min(text.size(), image::kMessageMaxChars);
  std::copy_n(text.begin(), length, &At(image::kMessage));
  At(image::kMessage + length) = 0;
}

std::string CTavroPgmDoc::PasswordText() const {
  return codec::PasswordText(Image().subspan<image::kPassword, image::kPasswordSize>());
}

void CTavroPgmDoc::PasswordFromText(std::string_view text, std::span<std::uint8_t, 3> destination) {
  codec::PasswordFromText(text, destination);
}
