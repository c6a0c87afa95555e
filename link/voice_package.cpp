#include "link/voice_package.h"

#include <algorithm>

#include "settings/file_io.h"

namespace {

// A package file's bytes, padded with 0xFF to the full size so that short files read safely.
std::string PaddedContent(const std::string& content) {
  std::string padded = content.substr(0, CVoicePackage::kFileSize);
  padded.resize(CVoicePackage::kFileSize, static_cast<char>(0xFF));
  return padded;
}

std::string NameAt(const std::string& content, std::size_t offset) {
  const std::string_view field(content.data() + offset, CVoicePackage::kNameSize);
  if (static_cast<unsigned char>(field[0]) == 0xFF && static_cast<unsigned char>(field[1]) == 0xFF) return {};
  return std::string(field.substr(0, std::min(field.find('\0'), field.size())));
}

}  // namespace

CVoicePackage::CVoicePackage(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().extension() == ".enc" && entry.is_regular_file(error)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& file : files) {
    const std::optional<std::string> content = file_io::ReadFile(file, kFileSize);
    if (!content) continue;  // unreadable: not offered
    const std::string padded = PaddedContent(*content);
    fileNames_.push_back("/" + file.filename().string());
    firstNames_.push_back(NameAt(padded, kFirstName));
    secondNames_.push_back(NameAt(padded, kSecondName));
    Identifier id{};
    std::copy_n(padded.begin() + kIdentifier, id.size(), id.begin());
    identifiers_.push_back(id);
  }
}

void CVoicePackage::ResetNames(int selector) {
  position_ = 0;
  selector_ = selector;
}

std::string CVoicePackage::NextName() {
  const std::vector<std::string>& names = selector_ == 0 ? firstNames_ : secondNames_;
  if (position_ < 0 || static_cast<std::size_t>(position_) >= names.size()) return {};
  return names[static_cast<std::size_t>(position_++)];
}

int CVoicePackage::IndexOf(std::span<const std::uint8_t, 16> identifier) const {
  for (std::size_t i = 0; i < identifiers_.size(); ++i)
    if (std::equal(identifier.begin(), identifier.end(), identifiers_[i].begin())) return static_cast<int>(i);
  return -1;
}

int CVoicePackage::FindById(std::span<const std::uint8_t, 16> identifier) {
  const int index = IndexOf(identifier);
  selected_ = index < 0 ? 0 : static_cast<std::size_t>(index);
  return index;
}

std::string CVoicePackage::SelectedFileName() const {
  return selected_ < fileNames_.size() ? fileNames_[selected_] : std::string();
}

bool LoadVoiceData(const std::filesystem::path& file, std::span<std::uint8_t, CVoicePackage::kFileSize> buffer) {
  const std::optional<std::string> content = file_io::ReadFile(file, CVoicePackage::kFileSize);
  if (!content) return false;
  const std::string padded = PaddedContent(*content);
  std::copy(padded.begin() + CVoicePackage::kVoiceData, padded.end(), buffer.begin() + CVoicePackage::kVoiceData);
  return true;
}

function_page::SpeechLanguages SpeechLanguageList(const CVoicePackage& packages,
                                                  std::span<const std::uint8_t, 16> voiceId) {
  function_page::SpeechLanguages languages;
  for (const std::string& name : packages.FirstNames()) {
    if (name.empty()) break;
    languages.names.push_back(name);
  }
  languages.selected = packages.IndexOf(voiceId);
  return languages;
}

function_page::SpeechLanguages SpeechLanguagesOf(CVoicePackage& packages, std::span<const std::uint8_t, 16> voiceId) {
  packages.FindById(voiceId);
  return SpeechLanguageList(packages, voiceId);
}
