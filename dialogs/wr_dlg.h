#pragma once
// CWRDlg: the modal dialog that reads the radio into the document or writes the
// document to the radio. OK starts the transfer on a worker thread; a 20 ms timer
// follows its state, shows the progress, asks about another model and reports
// failures. Cancel closes at once; the worker finishes on its own.

#include <QDialog>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/transfer.h"
#include "radio/image_map.h"

class AppFiles;
class CSerial;
class CTavroPgmDoc;
class CVoicePackage;

struct TransferContext {
  const AppFiles& files;
  CTavroPgmDoc& doc;
  CSerial& port;
  const CVoicePackage* voices = nullptr;  // write: the voice package to send after the image
  // After a successful read has replaced the image: menu texts and every page reload.
  std::function<void()> imageReplaced;
};

class CWRDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTimerPeriodMs = 20;
  static constexpr int kProgressRange = 1024;
  static constexpr int kEndCode = 5;
  static constexpr int kVerifyId = 1227;
  // "Also write the alignment values and radio password of this file": off whenever the
  // dialog opens, so that a radio's own alignment is replaced only when asked each time.
  static constexpr int kWriteCalibrationId = 1228;
  // The per-user setting that keeps the "Verify after writing" choice.
  static constexpr char kVerifySetting[] = "transfer/verifyAfterWrite";
  // "Back up the radio before writing": on until the user turns it off, remembered per user.
  static constexpr int kBackupId = 1229;
  static constexpr char kBackupSetting[] = "transfer/backupBeforeWrite";

  CWRDlg(const TransferContext& context, bool isRead, QWidget* parent = nullptr);
  ~CWRDlg() override;

  bool IsRead() const { return isRead_; }
  // A transfer was started here and has neither ended nor been cancelled.
  bool IsTransferRunning() const;

  // A cancelled transfer's worker may still use the port after its dialog closed. This
  // waits until the worker of the last transfer has returned, with the windows still
  // drawn under a busy cursor, and closes the port it left open (possibly at 38400 baud,
  // mid-session). Whatever uses the port from the user interface calls it first; the
  // program calls it before the port is destroyed.
  static void FinishPendingTransfer();

 public slots:
  void OnOK();
  void OnCancel();

 private:
  void OnTimer();
  // Waits for the worker's return after a final state, gives the document what the radio
  // reported and stops the timer.
  void Finish();
  // An error box of textKey's text, or of madeText when given; then the dialog ends.
  void ShowError(const char* textKey, std::string madeText = {});
  void AskAboutOtherModel();
  // Starts the write itself (after the backup read, in a session of its own).
  void StartWrite();
  // The backup read has read the radio: keeps it as a backup, then writes; a backup that
  // cannot be written ends the dialog with nothing written.
  void FinishBackup();
  // After a successful read: keeps what was read as a backup; one message when it cannot.
  void KeepReadBackup();
  // The text of the block phase running now.
  const char* TransferTextKey() const;
  // After a write with "Verify after writing": reads the radio back on the same device.
  void StartVerification();
  // The read-back ended in `state`: a mismatch or a failed read is a failure with its
  // message, never a success.
  void FinishVerification(TransferState state);
  // Waits for the worker, closes the port when it is open and ends the dialog (kEndCode).
  void End();
  // After this dialog's worker has returned: closes the port; nothing is pending any more.
  void ReleasePort();
  // Cancel, Esc, the window's close button and destruction: the worker stops at its
  // next block; the dialog does not wait for it.
  void AbandonTransfer();
  // The text above the bar before the first OK.
  void ShowFirstText();
  QString Text(const char* key) const;
  void SetProgressText(const QString& text);
  void ShowProgress(const char* textKey, int percent);

  const TransferContext context_;
  const bool isRead_;
  QTimer timer_;
  std::shared_ptr<TransferJob> job_;
  bool verifyAfterWrite_ = false;  // this transfer's choice, taken at OK
  bool verifying_ = false;         // job_ is the read-back
  bool backingUp_ = false;         // job_ is the read of the radio before the write
  TransferOptions writeOptions_;   // the write's, taken at OK
  // The radio's configuration as the backup read found it; never the editor's document.
  std::unique_ptr<CTavroPgmDoc> before_;
  // What the write sent (the radio's own calibration area merged in), once it is done.
  std::array<std::uint8_t, block::kImageSize> written_{};
};
