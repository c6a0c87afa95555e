// The whole channel table as text, with the labels of each row looked up in the
// language file as it is now (its parse is kept while the file is unchanged). A page
// reload does this; target: at most 0.1 ms.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "radio/channel_table.h"
#include "radio/document.h"
#include "settings/app_files.h"

namespace {

class AlwaysOk : public Prompter {
 public:
  PromptAnswer Ask(const PromptRequest&) override { return PromptAnswer::Ok; }
};

// A configuration with all 16 channels in use, tones on both sides.
void FillChannels(CTavroPgmDoc& doc) {
  AlwaysOk prompter;
  const char* tones[] = {"67.0", "D023N", "254.1", "D754I"};
  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    doc.SetChannelFrequency(channel, true, "4" + std::to_string(10 + channel) + ".0125", prompter);
    doc.SetChannelFrequency(channel, false, "4" + std::to_string(20 + channel) + ".5", prompter);
    doc.SetChannelTone(channel, true, tones[channel % 4]);
    doc.SetChannelTone(channel, false, tones[(channel + 1) % 4]);
    channel_table::StoreChoice(doc, channel, channel_table::kSignalSet, channel % 5);
    channel_table::StoreChoice(doc, channel, channel_table::kBusyLockout, channel % 3);
  }
}

void BM_ChannelTableText(benchmark::State& state) {
  const AppFiles files(std::filesystem::path(CORVANE_SOURCE_DIR) / "data", "lang_en");
  CTavroPgmDoc doc(files);
  AlwaysOk prompter;
  bool suppress = true;
  doc.OnNewDocument(prompter, suppress);
  FillChannels(doc);
  for (auto _ : state) {
    benchmark::DoNotOptimize(channel_table::HeaderTexts(files));
    for (int channel = 1; channel <= image::kChannelCount; ++channel)
      benchmark::DoNotOptimize(channel_table::RowTexts(doc, channel));
  }
}
BENCHMARK(BM_ChannelTableText)->Unit(benchmark::kMillisecond);

}  // namespace
