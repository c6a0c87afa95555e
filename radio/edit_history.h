#pragma once
// EditHistory: undo and redo of the document. Each step is the document's state before
// and after one user action; the history keeps the states and moves between them. A
// user action ends when the next one begins, so the caller records at that moment and
// every change made in between, however many bytes it touched, becomes one step.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "radio/document.h"
#include "radio/function_page.h"

class AppFiles;
class LanguageTexts;

class EditHistory {
 public:
  using State = CTavroPgmDoc::State;
  static constexpr std::size_t kDefaultDepth = 1000;  // steps kept; about a megabyte

  explicit EditHistory(std::size_t depth = kDefaultDepth);

  // A history without steps, starting from the document as it is now (New, Open, Read
  // from Radio). An unmodified document is in its saved state.
  void Reset(const CTavroPgmDoc& doc);
  // Ends a user action: a step when the document changed since the last record, which
  // drops the steps that could be redone. Returns whether a step was added.
  bool Record(const CTavroPgmDoc& doc);
  // The document has been saved as it is now (pending changes become a step first).
  void MarkSaved(const CTavroPgmDoc& doc);
  // The pages have shown the state Undo or Redo restored and may have normalised a byte
  // or two as loading does: that belongs to the state, not to a new step.
  void Adopt(const CTavroPgmDoc& doc);

  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ + 1 < states_.size(); }
  // Back to the state before the last step, or on to the state after the next one. The
  // document is modified unless that state is the saved one. False when there is none.
  bool Undo(CTavroPgmDoc& doc);
  bool Redo(CTavroPgmDoc& doc);

  // The states on both sides of the step Undo (back) or Redo would take, in the order the
  // step was made; both nullptr when there is none.
  struct Step {
    const State* before = nullptr;
    const State* after = nullptr;
  };
  Step NextStep(bool back) const;

 private:
  void MoveTo(std::size_t index, CTavroPgmDoc& doc);

  std::size_t depth_;
  std::vector<State> states_;  // oldest first; states_[current_] is the document's
  std::size_t current_ = 0;
  std::optional<State> saved_;
};

namespace edit_history {

// The speech languages a document's voice package offers, so that a step changing the
// speech language is named too.
using LanguagesOf = std::function<function_page::SpeechLanguages(const CTavroPgmDoc&)>;

// The dump keys (config_dump) whose shown text differs between two states, in dump
// order, raw byte keys last.
std::vector<std::string> ChangedKeys(const AppFiles& files, const CTavroPgmDoc::State& before,
                                     const CTavroPgmDoc::State& after, const LanguagesOf& languages);

// What a person reads for a step: the name of its first changed key, then "(and N more)"
// of "IDS_EDIT_MORE" for the others; empty for no keys.
std::string StepName(const LanguageTexts& texts, const std::vector<std::string>& keys);

}  // namespace edit_history
