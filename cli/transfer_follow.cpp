#include "cli/transfer_follow.h"

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "settings/app_files.h"

namespace cli {
namespace {

// Shows the transfer's progress: a bar that redraws itself on a terminal, plain lines
// (one per change of text) otherwise.
class ProgressReport {
 public:
  ProgressReport(const AppFiles& files, std::ostream& err, bool terminal) : files_(files), err_(err), terminal_(terminal) {}

  void Show(TransferState state, int progress, bool isRead) {
    std::string text;
    int percent = -1;
    switch (state) {
      case TransferState::SearchingPort:
        text = files_.GetText("IDS_AUTOCOMPORT") + " (" + std::to_string(progress) + ")";
        break;
      case TransferState::Reading:
      case TransferState::Writing:
        text = files_.GetText(isRead ? "IDS_PROMPT_READ" : "IDS_PROMPT_WRITE");
        percent = progress;
        break;
      case TransferState::VoiceStart:
        text = files_.GetText("IDS_VOICECHANGE");
        break;
      case TransferState::VoiceWriting:
        text = files_.GetText("IDS_VOICECHANGE");
        percent = progress;
        break;
      default:
        return;
    }
    if (text == lastText_ && percent == lastPercent_) return;
    lastText_ = text;
    lastPercent_ = percent;
    if (!terminal_) {
      err_ << text << (percent >= 0 ? " " + std::to_string(percent) + "%" : "") << "\n";
      return;
    }
    std::string bar;
    if (percent >= 0) bar = " [" + std::string(static_cast<std::size_t>(percent / 5), '#') + std::string(static_cast<std::size_t>(20 - percent / 5), ' ') + "] " + std::to_string(percent) + "%";
    err_ << "\r\033[K" << text << bar << std::flush;
    drawn_ = true;
  }
  void Finish() {
    if (drawn_) err_ << "\n";
    drawn_ = false;
  }

 private:
  const AppFiles& files_;
  std::ostream& err_;
  bool terminal_;
  bool drawn_ = false;
  std::string lastText_;
  int lastPercent_ = -2;
};

}  // namespace

TransferState Follow(TransferParams& params, const AppFiles& files, std::ostream& err, bool isRead,
                     const std::function<bool()>& confirmOtherModel) {
  ProgressReport report(files, err, ::isatty(STDERR_FILENO));
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
    report.Show(state, params.progress.load(), isRead);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace cli
