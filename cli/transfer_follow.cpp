#include "cli/transfer_follow.h"

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "settings/app_files.h"

namespace cli {

std::optional<Progress> ProgressOf(const AppFiles& files, TransferState state, int progress, const char* transferKey) {
  switch (state) {
    case TransferState::SearchingPort:
      return Progress{files.GetText("IDS_AUTOCOMPORT") + " (" + std::to_string(progress) + ")"};
    case TransferState::Reading:
    case TransferState::Writing: return Progress{files.GetText(transferKey), progress};
    case TransferState::VoiceStart: return Progress{files.GetText("IDS_VOICECHANGE")};
    case TransferState::VoiceWriting: return Progress{files.GetText("IDS_VOICECHANGE"), progress};
    default: return std::nullopt;
  }
}

ProgressLines::ProgressLines(std::ostream& err, bool terminal, std::vector<std::string> names)
    : err_(err), terminal_(terminal), names_(std::move(names)), shown_(std::max<std::size_t>(names_.size(), 1)) {}

std::string ProgressLines::Line(std::size_t radio) const {
  std::string line = names_.size() > 1 ? names_[radio] + ": " : "";
  if (!shown_[radio]) return line;
  const Progress& progress = *shown_[radio];
  line += progress.text;
  if (progress.percent < 0) return line;
  if (!terminal_) return line + " " + std::to_string(progress.percent) + "%";
  const std::size_t filled = static_cast<std::size_t>(progress.percent / 5);
  return line + " [" + std::string(filled, '#') + std::string(20 - filled, ' ') + "] " +
         std::to_string(progress.percent) + "%";
}

void ProgressLines::Show(std::size_t radio, const Progress& progress) {
  if (shown_[radio] == progress) return;
  shown_[radio] = progress;
  if (!terminal_) {
    err_ << Line(radio) << "\n";
    return;
  }
  if (shown_.size() == 1) {
    err_ << "\r\033[K" << Line(0) << std::flush;
    drawn_ = true;
    return;
  }
  // Every radio's line again, from the first one up.
  if (drawn_) err_ << "\033[" << shown_.size() << "A";
  for (std::size_t i = 0; i < shown_.size(); ++i) err_ << "\r\033[K" << Line(i) << "\n";
  err_ << std::flush;
  drawn_ = true;
}

void ProgressLines::Finish() {
  if (drawn_ && shown_.size() == 1) err_ << "\n";
  drawn_ = false;
}

void WaitForNextLook() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

TransferState Follow(TransferParams& params, const AppFiles& files, std::ostream& err, bool isRead,
                     const std::function<bool()>& confirmOtherModel) {
  ProgressLines report(err, ::isatty(STDERR_FILENO), {});
  for (;;) {
    const TransferState state = params.state.load();
    if (IsFinal(state)) {
      report.Finish();
      return state;
    }
    if (state == TransferState::ConfirmType) {
      report.Finish();
      const bool confirmed = confirmOtherModel();
      // The worker waits a limited time; an answer after it gave up is no answer, and the
      // next look finds the state it ended in.
      if (AnswerTypeQuestion(params, confirmed) && !confirmed) return TransferState::WrongType;
      continue;
    }
    if (const std::optional<Progress> progress =
            ProgressOf(files, state, params.progress.load(), isRead ? "IDS_PROMPT_READ" : "IDS_PROMPT_WRITE"))
      report.Show(0, *progress);
    WaitForNextLook();
  }
}

}  // namespace cli
