#pragma once
// CWRDlg: the modal dialog that reads the radio into the document or writes the
// document to the radio. OK starts the transfer on a worker thread; a 20 ms timer
// follows its state, shows the progress, asks about another model and reports
// failures. Cancel closes at once; the worker finishes on its own.

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

class AppFiles;
class CSerial;
class CTavroPgmDoc;
class CVoicePackage;
class TransferJob;

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

  CWRDlg(const TransferContext& context, bool isRead, QWidget* parent = nullptr);
  ~CWRDlg() override;

  bool IsRead() const { return isRead_; }
  bool IsTransferRunning() const;

 public slots:
  void OnOK();
  void OnCancel();

 private:
  void OnTimer();
  // Closes the port when it is open and ends the dialog.
  void End();
  void SetProgressText(const QString& text);
  void ShowProgress(const char* textKey, int percent);

  const TransferContext context_;
  const bool isRead_;
  QTimer timer_;
  std::shared_ptr<TransferJob> job_;
};
