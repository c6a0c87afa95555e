// Feeds arbitrary text to the channel CSV import: no input may crash or read out of
// bounds, a refused file changes nothing, and an accepted one with channels in use exports
// to a text that imports into a new configuration as the same used channels.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "radio/channel_csv.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace {

class NeverAsked : public Prompter {
 public:
  PromptAnswer Ask(const PromptRequest&) override { std::abort(); }
};

const AppFiles& Files() {
  static const AppFiles files(std::filesystem::path(CORVANE_SOURCE_DIR) / "data", "lang_en");
  return files;
}

// A new configuration: the state OnNewDocument leaves, made once and given to every document.
void NewConfiguration(CTavroPgmDoc& doc) {
  static const CTavroPgmDoc::State blank = [] {
    CTavroPgmDoc made(Files());
    NeverAsked prompter;
    bool suppress = true;
    made.OnNewDocument(prompter, suppress);
    return made.CurrentState();
  }();
  doc.RestoreState(blank);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CTavroPgmDoc doc(Files());
  NewConfiguration(doc);
  const std::array<std::uint8_t, block::kSize> before = [&] {
    std::array<std::uint8_t, block::kSize> bytes{};
    std::copy(doc.Block().begin(), doc.Block().end(), bytes.begin());
    return bytes;
  }();
  if (!channel_csv::Import(doc, text).empty()) {
    if (!std::equal(before.begin(), before.end(), doc.Block().begin()) || doc.IsModified()) std::abort();
    return 0;
  }
  // A configuration without channels in use is not exported: no import takes a header alone.
  if (!channel_csv::HasChannelsToExport(doc)) return 0;
  CTavroPgmDoc again(Files());
  NewConfiguration(again);
  if (!channel_csv::Import(again, channel_csv::Export(doc)).empty()) std::abort();
  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    if (doc.IsChannelUsed(channel) != again.IsChannelUsed(channel)) std::abort();
    if (!doc.IsChannelUsed(channel)) continue;
    const auto a = doc.ChannelRecord(channel);
    const auto b = again.ChannelRecord(channel);
    if (!std::equal(a.begin(), a.end(), b.begin())) std::abort();
  }
  return 0;
}
