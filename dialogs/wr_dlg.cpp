#include "dialogs/wr_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <utility>

#include "dialogs/worker_wait.h"
#include "link/port_survey.h"
#include "link/serial.h"
#include "link/transfer.h"
#include "radio/backups.h"
#include "radio/document.h"
#include "radio/image_diff.h"
#include "settings/app_files.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/user_settings.h"

namespace {

constexpr int kProgressTextId = 1302;
constexpr int kProgressBarId = 1024;
constexpr int kOverwriteVoiceId = 1217;
// Differences listed in the verification failure's message; the rest is "...".
constexpr std::size_t kDifferencesShown = 8;

// The last transfer started, for as long as its worker may still use the port: it is
// cleared when its dialog ends it after the worker returned, and stays after a cancel
// or a failure until the next user of the port has waited for it.
std::shared_ptr<TransferJob>& PendingJob() {
  static std::shared_ptr<TransferJob> job;
  return job;
}

}  // namespace

CWRDlg::CWRDlg(const TransferContext& context, bool isRead, QWidget* parent)
    : QDialog(parent), context_(context), isRead_(isRead) {
  BuildFromTemplate(this, dialog_id::kTransfer);
  ApplyDialogTexts(this, dialog_id::kTransfer, context_.files);
  setWindowTitle(Text(isRead_ ? "IDS_READDATA" : "IDS_WRITEDATA"));
  Control<QCheckBox>(this, kOverwriteVoiceId)->setVisible(!isRead_);
  auto* verify = Control<QCheckBox>(this, kVerifyId);
  verify->setVisible(!isRead_);
  verify->setChecked(OpenUserSettings()->value(QLatin1String(kVerifySetting), true).toBool());
  connect(verify, &QCheckBox::toggled, this,
          [](bool checked) { OpenUserSettings()->setValue(QLatin1String(kVerifySetting), checked); });
  Control<QCheckBox>(this, kWriteCalibrationId)->setVisible(!isRead_);
  auto* backup = Control<QCheckBox>(this, kBackupId);
  backup->setVisible(!isRead_);
  backup->setChecked(OpenUserSettings()->value(QLatin1String(kBackupSetting), true).toBool());
  connect(backup, &QCheckBox::toggled, this,
          [](bool checked) { OpenUserSettings()->setValue(QLatin1String(kBackupSetting), checked); });
  auto* bar = Control<QProgressBar>(this, kProgressBarId);
  bar->setRange(0, kProgressRange);
  bar->setValue(0);
  ShowFirstText();

  connect(Control<QPushButton>(this, kIdOk), &QPushButton::clicked, this, &CWRDlg::OnOK);
  connect(Control<QPushButton>(this, kIdCancel), &QPushButton::clicked, this, &CWRDlg::OnCancel);
  // Esc and the window's close button reject the dialog without passing OnCancel.
  connect(this, &QDialog::rejected, this, &CWRDlg::AbandonTransfer);
  timer_.setInterval(kTimerPeriodMs);
  connect(&timer_, &QTimer::timeout, this, &CWRDlg::OnTimer);
}

CWRDlg::~CWRDlg() { AbandonTransfer(); }

bool CWRDlg::IsTransferRunning() const {
  return job_ != nullptr && !job_->Params().cancel.load() && !IsFinal(job_->State());
}

void CWRDlg::FinishPendingTransfer() {
  const std::shared_ptr<TransferJob> job = PendingJob();
  if (job == nullptr) return;
  job->Cancel();
  // A worker still waiting for the answer to the model question, which nobody will give
  // now, is told no, so that it ends instead of waiting out its time.
  AnswerTypeQuestion(job->Params(), false);
  AwaitWorkerReturn(job);
  // A call made during the wait (a timer, a queued call) may have finished it already.
  if (PendingJob() != job) return;
  PendingJob().reset();
  SerialPort& port = *job->Params().port;
  if (port.IsOpen()) port.Close();
}

void CWRDlg::OnOK() {
  if (IsTransferRunning()) return;
  // A transfer cancelled earlier may still run, and leaves the port as its worker did.
  FinishPendingTransfer();

  writeOptions_ = TransferOptions{};
  writeOptions_.isRead = false;
  writeOptions_.overwriteVoice = !isRead_ && Control<QCheckBox>(this, kOverwriteVoiceId)->isChecked();
  writeOptions_.writeCalibration = !isRead_ && Control<QCheckBox>(this, kWriteCalibrationId)->isChecked();
  verifyAfterWrite_ = !isRead_ && Control<QCheckBox>(this, kVerifyId)->isChecked();
  verifying_ = false;
  backingUp_ = !isRead_ && Control<QCheckBox>(this, kBackupId)->isChecked();
  if (isRead_ || backingUp_) {
    // The voice data a write sends is checked before the radio is read for its backup.
    if (backingUp_) {
      if (const std::optional<FileError> error = WriteVoiceError(context_.files.ProgramDirectory(), context_.voices,
                                                                 writeOptions_.overwriteVoice))
        return ShowFileError(this, context_.files, *error);
      before_ = std::make_unique<CTavroPgmDoc>(context_.files);
    }
    TransferOptions read;
    read.isRead = true;
    job_ = TransferJob::Start(backingUp_ ? *before_ : context_.doc, context_.port, read, nullptr);
    PendingJob() = job_;
    Control<QProgressBar>(this, kProgressBarId)->setValue(0);
    SetProgressText(Text(TransferTextKey()));
    Control<QPushButton>(this, kIdOk)->setEnabled(false);
    timer_.start();
    return;
  }
  StartWrite();
}

void CWRDlg::StartWrite() {
  FileError voiceError;
  job_ = TransferJob::Start(context_.doc, context_.port, writeOptions_, context_.voices, &voiceError);
  if (job_ == nullptr) {
    ReleasePort();
    Control<QPushButton>(this, kIdOk)->setEnabled(true);
    return ShowFileError(this, context_.files, voiceError);  // the voice data a write sends
  }
  PendingJob() = job_;
  Control<QProgressBar>(this, kProgressBarId)->setValue(0);
  SetProgressText(Text(TransferTextKey()));
  Control<QPushButton>(this, kIdOk)->setEnabled(false);
  timer_.start();
}

const char* CWRDlg::TransferTextKey() const {
  if (verifying_) return "IDS_PROMPT_VERIFY";
  if (backingUp_) return "IDS_PROMPT_BACKUP";
  return isRead_ ? "IDS_PROMPT_READ" : "IDS_PROMPT_WRITE";
}

void CWRDlg::OnCancel() {
  AbandonTransfer();
  reject();
}

void CWRDlg::AbandonTransfer() {
  timer_.stop();
  if (job_ == nullptr) return;
  job_->Cancel();
  AnswerTypeQuestion(job_->Params(), false);  // nobody will answer the model question now
}

void CWRDlg::OnTimer() {
  if (job_ == nullptr) return;
  const TransferState state = job_->State();
  const int progress = job_->Params().progress.load();
  if (verifying_ && IsFinal(state)) return FinishVerification(state);
  if (backingUp_ && state == TransferState::ReadDone) return FinishBackup();
  switch (state) {
    case TransferState::Idle:
      return;
    case TransferState::Reading:
    case TransferState::Writing:
      ShowProgress(TransferTextKey(), progress);
      return;
    case TransferState::VoiceStart:
      SetProgressText(Text("IDS_VOICECHANGE"));
      return;
    case TransferState::VoiceWriting:
      ShowProgress("IDS_VOICECHANGE", progress);
      return;
    case TransferState::SearchingPort:
      // One dot per step of the port number being tried.
      SetProgressText(Text("IDS_AUTOCOMPORT") + QString(progress & 0x0F, QLatin1Char('.')));
      return;
    case TransferState::ConfirmType:
      timer_.stop();
      AskAboutOtherModel();
      return;
    case TransferState::ReadFailed:
    case TransferState::WriteFailed:
      // The dialog stays open; OK tries again. The port is closed now: the radio's session
      // ends, and a retry does not find the port as the failure left it (a second-generation
      // radio at 38400 baud, where no handshake can succeed).
      Finish();
      ReleasePort();
      SetProgressText(Text(state == TransferState::ReadFailed ? "IDS_PROMPT_READFAIL" : "IDS_PROMPT_WRITEFAIL"));
      Control<QPushButton>(this, kIdOk)->setEnabled(true);
      return;
    case TransferState::ReadDone:
      Finish();
      if (context_.imageReplaced) context_.imageReplaced();
      KeepReadBackup();
      return;
    case TransferState::WriteDone:
      Finish();
      // The buffer as sent: the radio's own calibration area came into it during the write.
      std::copy(job_->Image().begin(), job_->Image().end(), written_.begin());
      if (verifyAfterWrite_) return StartVerification();
      End();
      return;
    case TransferState::NoLink:
      Finish();
      // The one port to try could not be opened: say why, rather than that no radio answered.
      if (const PortOpenFailure& failure = job_->Params().openFailure; failure.error != 0)
        return ShowError("IDS_ERROR_PORTOPEN", port_survey::PortProblemText(context_.files, failure));
      ShowError("IDS_ERROR_PORTCONN");
      return;
    case TransferState::WrongType:
      Finish();
      ShowError("IDS_ERROR_TYPE");
      return;
  }
  timer_.stop();
  End();
}

void CWRDlg::Finish() {
  timer_.stop();
  // The worker returns right after setting a final state; joining it means nothing of it
  // runs while the document and the port are used here.
  job_->Wait();
  // A backup read's result is the radio's configuration before the write, never the document's.
  job_->HandOver(backingUp_ ? *before_ : context_.doc);
}

void CWRDlg::KeepReadBackup() {
  const backup::Kept kept = backup::Keep(context_.doc);
  if (kept.error) {
    // The read has succeeded all the same: one line says what became of its backup.
    const QPointer<CWRDlg> alive(this);
    ShowMessageBox(this, MessageBoxCall{"IDS_BACKUP_FAILED", kept.error->Text(context_.files),
                                        context_.files.GetText("IDS_PROMPT"), PromptIcon::Exclamation,
                                        PromptButtons::Ok});
    if (!alive) return;
  }
  End();
}

void CWRDlg::FinishBackup() {
  Finish();
  backingUp_ = false;
  if (const backup::Kept kept = backup::Keep(*before_); kept.error) {
    FileError error = *kept.error;
    error.textKey = "IDS_BACKUP_NOTKEPT";
    return ShowError("IDS_BACKUP_NOTKEPT", error.Text(context_.files));
  }
  // The write is a session of its own: a second-generation radio listens at 38400 baud
  // until the read's session ends.
  if (!context_.port.Reopen()) return ShowError("IDS_ERROR_PORTCONN");
  StartWrite();
}

void CWRDlg::StartVerification() {
  job_ = StartReadBack(context_.doc, context_.port);
  if (job_ == nullptr) {
    ReleasePort();
    return ShowError("IDS_ERROR_PORTCONN");
  }
  PendingJob() = job_;
  verifying_ = true;
  Control<QProgressBar>(this, kProgressBarId)->setValue(0);
  SetProgressText(Text("IDS_PROMPT_VERIFY"));
  timer_.start();
}

void CWRDlg::FinishVerification(TransferState state) {
  timer_.stop();
  // The read-back's image is compared, never handed to the document.
  job_->Wait();
  switch (state) {
    case TransferState::ReadDone: break;
    case TransferState::WrongType: return ShowError("IDS_ERROR_TYPE");
    case TransferState::ReadFailed: return ShowError("IDS_PROMPT_READFAIL");
    default: return ShowError("IDS_ERROR_PORTCONN");
  }
  const std::vector<image_diff::Difference> differences =
      image_diff::Differences(context_.files, written_, job_->Image());
  if (differences.empty()) return End();
  const QPointer<CWRDlg> alive(this);
  ShowMessageBox(this, MessageBoxCall{"IDS_PROMPT_VERIFYFAIL",
                                      image_diff::FailureText(context_.files, differences, kDifferencesShown),
                                      context_.files.GetText("IDS_ERROR"), PromptIcon::Error, PromptButtons::Ok});
  if (alive) End();
}

void CWRDlg::ShowError(const char* textKey, std::string madeText) {
  const QPointer<CWRDlg> alive(this);
  ShowMessageBox(this, context_.files,
                 PromptRequest{textKey, {}, "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok, false, std::move(madeText)});
  if (alive) End();
}

void CWRDlg::AskAboutOtherModel() {
  const QPointer<CWRDlg> alive(this);
  const PromptAnswer answer = ShowMessageBox(
      this, context_.files,
      PromptRequest{"IDS_CONFIRM_TYPE", {}, "IDS_CONFIRM", PromptIcon::Question, PromptButtons::OkCancel});
  if (!alive) return;
  // The worker waits a limited time for the answer and may have given up meanwhile
  // (state NoLink); only a worker still waiting gets the answer.
  const bool confirmed = answer == PromptAnswer::Ok;
  AnswerTypeQuestion(job_->Params(), confirmed);
  if (!confirmed) return End();
  timer_.start();
}

void CWRDlg::End() {
  timer_.stop();
  if (job_ != nullptr) job_->Wait();
  ReleasePort();
  done(kEndCode);
}

void CWRDlg::ReleasePort() {
  if (job_ != nullptr && PendingJob() == job_) PendingJob().reset();
  if (context_.port.IsOpen()) context_.port.Close();
}

void CWRDlg::ShowFirstText() {
  // Until OK starts the transfer: what to connect, and that the radio must be on.
  SetProgressText(Text(isRead_ ? "IDS_PROMPT_READSTART" : "IDS_PROMPT_WRITESTART"));
}

QString CWRDlg::Text(const char* key) const { return ToQString(context_.files.GetText(key)); }

void CWRDlg::SetProgressText(const QString& text) { Control<QLabel>(this, kProgressTextId)->setText(text); }

void CWRDlg::ShowProgress(const char* textKey, int percent) {
  SetProgressText(Text(textKey) + QStringLiteral(" %1%").arg(percent));
  Control<QProgressBar>(this, kProgressBarId)->setValue(percent * kProgressRange / 100);
}
