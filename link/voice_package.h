#pragma once
// CVoicePackage: the voice packages ("*.enc", 32768-byte images of the radio's
// address space whose upper part holds spoken prompts) beside the program.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "radio/function_page.h"
#include "radio/voice_catalogue.h"

class CVoicePackage : public VoiceCatalogue {
 public:
  static constexpr std::size_t kFileSize = 32768;
  static constexpr std::size_t kVoiceData = 0x0400;
  static constexpr std::size_t kFirstName = 0x7FB0;
  static constexpr std::size_t kSecondName = 0x7FD0;
  static constexpr std::size_t kNameSize = 32;
  static constexpr std::size_t kIdentifier = 0x7FF0;

  // Scans the folder, in file-name order so that "the first package" is stable.
  explicit CVoicePackage(const std::filesystem::path& folder);

  std::size_t Count() const override { return fileNames_.size(); }
  Identifier IdentifierOf(std::size_t index) const override { return identifiers_.at(index); }
  void Select(std::size_t index) override { selected_ = index; }

  // Restarts NextName over the first names (selector 0) or the second names.
  void ResetNames(int selector = 0);
  // The next name of the chosen list; empty text at the end.
  std::string NextName();
  // Index of the first package with this identifier; -1 when none matches.
  int IndexOf(std::span<const std::uint8_t, 16> identifier) const;
  // IndexOf, and that package becomes the selected one (package 0 when none matches).
  int FindById(std::span<const std::uint8_t, 16> identifier);
  std::size_t SelectedIndex() const { return selected_; }
  // "/name.enc" of the selected package; empty when there are no packages.
  std::string SelectedFileName() const;
  const std::vector<std::string>& FirstNames() const { return firstNames_; }
  const std::vector<std::string>& SecondNames() const { return secondNames_; }
  const std::vector<std::string>& FileNames() const { return fileNames_; }

 private:
  int position_ = 0;
  int selector_ = 0;
  std::vector<std::string> firstNames_;
  std::vector<std::string> secondNames_;
  std::vector<std::string> fileNames_;
  std::vector<Identifier> identifiers_;
  std::size_t selected_ = 0;
};

// Puts the voice data of a package file (offsets 0x400..0x7FFF) into the same offsets of
// a 32768-byte transfer buffer; a short file leaves the rest 0xFF. False when the file
// cannot be read.
bool LoadVoiceData(const std::filesystem::path& file, std::span<std::uint8_t, CVoicePackage::kFileSize> buffer);

// The speech-language list of a configuration: the packages' first names (up to the first
// package without one), and the package whose identifier it names. A question only: the
// package a write sends stays as it is (comparing or naming another configuration must
// not change it).
function_page::SpeechLanguages SpeechLanguageList(const CVoicePackage& packages,
                                                  std::span<const std::uint8_t, 16> voiceId);
// The list of the document being edited: its package also becomes the selected one, the
// one a write sends.
function_page::SpeechLanguages SpeechLanguagesOf(CVoicePackage& packages, std::span<const std::uint8_t, 16> voiceId);
