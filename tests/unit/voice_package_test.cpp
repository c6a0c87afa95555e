// The voice package catalogue and the loading of a package's voice data.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/voice_package.h"
#include "tests/unit/test_support.h"

namespace {

std::string Package(const std::string& first, const std::string& second, std::uint8_t idByte) {
  std::string content(CVoicePackage::kFileSize, '\xFF');
  content.replace(CVoicePackage::kFirstName, first.size() + 1, first + '\0');
  if (!second.empty()) content.replace(CVoicePackage::kSecondName, second.size() + 1, second + '\0');
  content.replace(CVoicePackage::kIdentifier, 16, std::string(15, '\0') + static_cast<char>(idByte));
  content[CVoicePackage::kVoiceData] = 0x42;
  return content;
}

TEST(VoicePackage, ListsPackagesInFileNameOrderWithBothNames) {
  test::TempDir folder;
  folder.Write("b-chinese.enc", Package("Chinese", "中文", 2));
  folder.Write("a-english.enc", Package("English", "", 1));
  std::string unnamed = Package("x", "", 3);
  unnamed[CVoicePackage::kFirstName + 1] = '\xFF';
  unnamed[CVoicePackage::kFirstName] = '\xFF';
  folder.Write("c-unnamed.enc", unnamed);
  folder.Write("notes.txt", "not a package");

  CVoicePackage packages(folder.Path());
  ASSERT_EQ(packages.Count(), 3u);
  EXPECT_EQ(packages.FileNames(), (std::vector<std::string>{"/a-english.enc", "/b-chinese.enc", "/c-unnamed.enc"}));
  EXPECT_EQ(packages.SecondNames()[1], "中文");
  packages.ResetNames();
  EXPECT_EQ(packages.NextName(), "English");
  EXPECT_EQ(packages.NextName(), "Chinese");
  EXPECT_EQ(packages.NextName(), "");  // a name starting FF FF is empty
  EXPECT_EQ(packages.NextName(), "");  // the end of the list

  std::array<std::uint8_t, 16> id{};
  id[15] = 3;
  EXPECT_EQ(packages.FindById(id), 2);
  EXPECT_EQ(packages.SelectedFileName(), "/c-unnamed.enc");
  id[15] = 9;
  EXPECT_EQ(packages.FindById(id), -1);
  EXPECT_EQ(packages.SelectedIndex(), 0u);
}

TEST(VoicePackage, TheLanguageListOfAnotherConfigurationLeavesThePackageAWriteSends) {
  test::TempDir folder;
  folder.Write("a-english.enc", Package("English", "", 1));
  folder.Write("b-chinese.enc", Package("Chinese", "", 2));
  CVoicePackage packages(folder.Path());
  std::array<std::uint8_t, 16> mine{};
  mine[15] = 2;
  std::array<std::uint8_t, 16> other{};
  other[15] = 1;
  EXPECT_EQ(SpeechLanguagesOf(packages, mine).selected, 1);
  const function_page::SpeechLanguages listed = SpeechLanguageList(packages, other);
  EXPECT_EQ(listed.names, (std::vector<std::string>{"English", "Chinese"}));
  EXPECT_EQ(listed.selected, 0);
  EXPECT_EQ(packages.SelectedFileName(), "/b-chinese.enc");  // still the document's own
}

TEST(VoicePackage, NoPackagesGiveEmptyListsAndNoFileName) {
  test::TempDir folder;
  CVoicePackage packages(folder.Path());
  EXPECT_EQ(packages.Count(), 0u);
  std::array<std::uint8_t, 16> id{};
  EXPECT_EQ(packages.FindById(id), -1);
  EXPECT_EQ(packages.SelectedFileName(), "");
}

TEST(VoicePackage, VoiceDataFillsTheUpperBufferAndAShortFileLeavesFF) {
  test::TempDir folder;
  const auto file = folder.Write("short.enc", std::string(0x0400, '\x00') + std::string(0x100, '\x33'));
  std::array<std::uint8_t, CVoicePackage::kFileSize> buffer{};
  ASSERT_TRUE(LoadVoiceData(file, buffer));
  EXPECT_EQ(buffer[0], 0x00);  // the image part is not touched
  EXPECT_EQ(buffer[0x0400], 0x33);
  EXPECT_EQ(buffer[0x04FF], 0x33);
  EXPECT_TRUE(std::all_of(buffer.begin() + 0x0500, buffer.end(), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_FALSE(LoadVoiceData(folder / "missing.enc", buffer));
}

}  // namespace
