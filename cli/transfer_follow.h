#pragma once
// Following running transfers from the command line: their progress on standard error
// and the question about another model.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "link/protocol.h"

class AppFiles;

namespace cli {

// What a transfer in `state` shows: the text and, while blocks move, the percentage.
// `transferKey` names the text of the block phase (reading, writing or verifying).
struct Progress {
  std::string text;
  int percent = -1;  // none
  bool operator==(const Progress&) const = default;
};
std::optional<Progress> ProgressOf(const AppFiles& files, TransferState state, int progress, const char* transferKey);

// The progress of one or several radios: on a terminal one line each, redrawn in place
// (a bar for the percentage); otherwise a plain line whenever a radio's text changes.
// Several radios' lines begin with their names.
class ProgressLines {
 public:
  ProgressLines(std::ostream& err, bool terminal, std::vector<std::string> names);
  void Show(std::size_t radio, const Progress& progress);
  // Ends the drawing (before anything else is written).
  void Finish();

 private:
  std::string Line(std::size_t radio) const;

  std::ostream& err_;
  bool terminal_;
  std::vector<std::string> names_;
  std::vector<std::optional<Progress>> shown_;
  bool drawn_ = false;
};

// Looks at the transfer every 20 ms, as the desktop program does, until a final state:
// shows the progress on `err` and puts the question about another model to
// `confirmOtherModel`. Its answer reaches the worker only while the worker still waits
// for one; one that comes after the worker gave up changes nothing. Returns the final
// state (WrongType at once when the user declined); the worker may still be returning.
TransferState Follow(TransferParams& params, const AppFiles& files, std::ostream& err, bool isRead,
                     const std::function<bool()>& confirmOtherModel);

// The look every 20 ms of the command line's followers.
void WaitForNextLook();

}  // namespace cli
