#include "radio/config_dump.h"

#include <algorithm>

#include "radio/channel_table.h"
#include "radio/document.h"
#include "radio/scan_page.h"
#include "radio/signalling_page.h"
#include "res/dialog_templates.h"

namespace config_dump {
namespace {

// The value controls of one page, by ascending control id, keyed by `prefix`.
void AddControls(std::vector<Line>& lines, const std::string& prefix, page_state::Controls controls) {
  std::sort(controls.begin(), controls.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
  for (const page_state::Control& control : controls) {
    if (!page_state::ShowsValue(control)) continue;
    lines.push_back({prefix + std::to_string(control.id), page_state::ShownText(control), !control.enabled});
  }
}

std::string PagePrefix(int templateId) { return std::to_string(templateId) + "."; }

}  // namespace

std::vector<Line> Lines(CTavroPgmDoc& doc, const AppFiles& files, const function_page::SpeechLanguages& languages) {
  std::vector<Line> lines;
  AddControls(lines, PagePrefix(dialog_id::kChannelPage), {channel_table::ModelSelector(doc, files)});
  AddControls(lines, PagePrefix(dialog_id::kFunctionPage), function_page::State(doc, files, languages));
  AddControls(lines, PagePrefix(dialog_id::kSignallingPage), signalling_page::CommonState(doc, files));
  AddControls(lines, PagePrefix(dialog_id::kScanVoxDtmfPage), scan_page::State(doc, files));

  for (int channel = 1; channel <= image::kChannelCount; ++channel) {
    const channel_table::Row row = channel_table::RowTexts(doc, channel);
    for (int column = 1; column < channel_table::kColumnCount; ++column) {
      lines.push_back({PagePrefix(dialog_id::kChannelPage) + std::to_string(channel) + "." + std::to_string(column),
                       row[static_cast<std::size_t>(column)], !channel_table::IsCellEditable(doc, channel, column)});
    }
  }
  for (int set = 1; set <= signalling_page::kSetCount; ++set) {
    AddControls(lines, PagePrefix(dialog_id::kSignallingPage) + std::to_string(set) + ".",
                signalling_page::SetState(doc, files, set));
  }
  for (int code = 1; code <= signalling_page::kCodeCount; ++code) {
    for (int column = 1; column <= 2; ++column) {
      lines.push_back({PagePrefix(dialog_id::kSignallingPage) + "code" + std::to_string(code) + "." +
                           std::to_string(column),
                       doc.TwoToneText(code, column == 2), false});
    }
  }
  return lines;
}

std::string Format(const Line& line) { return line.key + "\t" + line.shown + (line.disabled ? "\tdisabled" : ""); }

}  // namespace config_dump
