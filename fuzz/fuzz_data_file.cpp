// Feeds arbitrary bytes to the data file loader and renders what it loaded:
// no input may crash, read out of bounds or leave a block of the wrong size.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>

#include "radio/channel_table.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace {

class AlwaysOk : public Prompter {
 public:
  PromptAnswer Ask(const PromptRequest&) override { return PromptAnswer::Ok; }
};

const AppFiles& Files() {
  static const AppFiles files(std::filesystem::path(CORVANE_SOURCE_DIR) / "data", "lang_en");
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CTavroPgmDoc doc(Files());
  AlwaysOk prompter;
  doc.Load(std::span(data, size), prompter);
  for (int channel = 1; channel <= image::kChannelCount; ++channel) channel_table::RowTexts(doc, channel);
  doc.MessageText();
  doc.PasswordText();
  for (int entry = 1; entry <= 16; ++entry) doc.TwoToneText(entry, entry % 2 == 0);
  for (int set = 1; set <= 4; ++set) doc.CallFormatToIndex(set, 0);
  doc.CheckBand(doc.ChannelFrequencyText(1, true));
  if (doc.Store().size() != block::kSize) std::abort();
  return 0;
}
