#pragma once
// CDlgAuthorization: the "Authorization" dialog. The user proves the radio's password
// and programs the always-low-power setting, or changes the password; passwords can be
// loaded from and saved to small text files. The exchanges (link/radio_password.h) run
// off the window thread; every outcome ends with one message box and the dialog stays open.

#include <QDialog>
#include <string>

#include "dialogs/wr_dlg.h"
#include "link/radio_password.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class CDlgAuthorization : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPasswordEdit = 1219;
  static constexpr int kLoadButton = 1220;
  static constexpr int kLowPowerBox = 1221;
  static constexpr int kProgramButton = 1222;
  static constexpr int kNewPasswordEdit = 1223;
  static constexpr int kAgainEdit = 1224;
  static constexpr int kSaveButton = 1225;
  static constexpr int kChangeButton = 1226;
  // The file dialogs' file type.
  static constexpr char kPasswordFileFilter[] = "Password Files (.txt)|*.txt||";

  explicit CDlgAuthorization(const TransferContext& context, QWidget* parent = nullptr);

  void done(int result) override;

 public slots:
  void OnLoadPassword();
  void OnLowPowerClicked(bool checked);
  void OnProgram();
  void OnSavePassword();
  void OnChangePassword();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit* Edit(int id) const;
  std::string Entry(int id) const;
  // Runs one exchange with the radio off the window thread; the dialog cannot close meanwhile.
  template <class Exchange>
  PasswordOutcome RunExchange(Exchange&& exchange);
  void ShowOutcome(PasswordOutcome outcome);
  // The check box shows bit 0 of the power permit byte, also after the radio's byte came in.
  void ShowLowPower();
  // After the views were (re)loaded from the image: what they show of the power permit.
  void ViewsShowImage();

  const TransferContext context_;
  bool exchangeRunning_ = false;
  bool viewsShowHighPowerPermitted_ = true;
};
