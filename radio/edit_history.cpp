#include "radio/edit_history.h"

#include <algorithm>

#include "radio/config_dump.h"
#include "settings/app_files.h"

EditHistory::EditHistory(std::size_t depth) : depth_(std::max<std::size_t>(depth, 1)) {}

void EditHistory::Reset(const CTavroPgmDoc& doc) {
  states_.assign(1, doc.CurrentState());
  current_ = 0;
  saved_.reset();
  if (!doc.IsModified()) saved_ = states_.front();
}

bool EditHistory::Record(const CTavroPgmDoc& doc) {
  if (states_.empty()) Reset(doc);
  if (doc.HasState(states_[current_])) return false;
  states_.resize(current_ + 1);
  states_.push_back(doc.CurrentState());
  if (states_.size() > depth_ + 1) states_.erase(states_.begin());
  current_ = states_.size() - 1;
  return true;
}

void EditHistory::MarkSaved(const CTavroPgmDoc& doc) {
  Record(doc);
  saved_ = states_[current_];
}

void EditHistory::Adopt(const CTavroPgmDoc& doc) {
  if (states_.empty()) {
    Reset(doc);
    return;
  }
  const bool wasSaved = saved_ == states_[current_];
  states_[current_] = doc.CurrentState();
  if (wasSaved) saved_ = states_[current_];
}

EditHistory::Step EditHistory::NextStep(bool back) const {
  if (back ? !CanUndo() : !CanRedo()) return {};
  const std::size_t first = back ? current_ - 1 : current_;
  return {&states_[first], &states_[first + 1]};
}

bool EditHistory::Undo(CTavroPgmDoc& doc) {
  if (!CanUndo()) return false;
  MoveTo(current_ - 1, doc);
  return true;
}

bool EditHistory::Redo(CTavroPgmDoc& doc) {
  if (!CanRedo()) return false;
  MoveTo(current_ + 1, doc);
  return true;
}

void EditHistory::MoveTo(std::size_t index, CTavroPgmDoc& doc) {
  current_ = index;
  doc.RestoreState(states_[current_]);
  doc.SetModifiedFlag(saved_ != states_[current_]);
}

namespace edit_history {

std::vector<std::string> ChangedKeys(const AppFiles& files, const CTavroPgmDoc::State& before,
                                     const CTavroPgmDoc::State& after, const LanguagesOf& languages) {
  auto linesOf = [&](const CTavroPgmDoc::State& state) {
    CTavroPgmDoc doc(files);
    doc.RestoreState(state);
    return config_dump::ComparedLines(doc, languages ? languages(doc) : function_page::SpeechLanguages{});
  };
  std::vector<std::string> keys;
  for (config_dump::Difference& difference : config_dump::Compare(linesOf(before), linesOf(after)))
    keys.push_back(std::move(difference.key));
  return keys;
}

std::string StepName(const LanguageTexts& texts, const std::vector<std::string>& keys) {
  if (keys.empty()) return {};
  std::string name = config_dump::NameOf(keys.front(), texts);
  if (keys.size() > 1) name += " " + texts.GetCountText("IDS_EDIT_MORE", keys.size() - 1);
  return name;
}

}  // namespace edit_history
