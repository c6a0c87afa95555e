#pragma once
// CTestFunction: the live alignment window of test mode ("Test 1"). The technician
// picks an item; the radio is polled every 100 ms (its value for a reading item, a
// ping otherwise) and a lamp shows whether it answers; the slider and the arrows try
// values, "Save" stores the value in the radio. The radio is already in its test state.
//
// Every exchange runs on a worker thread that owns the port while the window is open,
// in the order the user acted; the window only shows the answers. A tick queues a poll
// only when none is pending, so a silent radio never piles polls up. A Save the user
// clicked is never dropped: closing the window waits for it, and a Save the radio does
// not acknowledge is reported.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <optional>

#include "dialogs/wr_dlg.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class CUpDown;
class SerialWorker;
struct ItemSelection;
struct TestItem;
struct TestPoll;

class CTestFunction : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPollPeriodMs = 100;
  static constexpr int kSliderId = 1193;
  static constexpr int kSpinId = 1211;
  static constexpr int kValueId = 1101;
  static constexpr int kSaveId = 1083;
  static constexpr int kExitId = 1082;
  static constexpr int kIndicatorId = 1319;

  // The lamp's states: the radio did not answer, and the two phases it alternates
  // between while it answers.
  static constexpr int kNoAnswer = 0;

  CTestFunction(const TransferContext& context, QWidget* parent = nullptr);
  ~CTestFunction() override;

  int IndicatorState() const { return indicatorState_; }
  // The icon resource the lamp shows: 147 and 148 for the answering phases, 149 for none.
  int IndicatorIcon() const;

 public slots:
  // Every way out (Exit, Esc, the close button). With no Save waiting for the radio the
  // window hides at once and only the exchange in progress ends; with one, the window
  // stays in sight, disabled under a busy cursor, until every exchange queued has run and
  // a failed Save has been reported. The windows keep painting meanwhile; then the port
  // is closed.
  void done(int result) override;

 private:
  void OnItemClicked(int controlId);
  void OnTimer();
  void OnSpinStepped(int direction);
  void OnSliderAction();
  void OnSave();

  // Answers, back on the window thread.
  void OnPolled(const TestPoll& poll, bool reading);
  void OnItemSelected(const ItemSelection& selection);
  void OnSaved(bool stored);
  void ShowSaveFailure();
  // Ends the worker (after the queued Saves, when there are any) and closes the port.
  void EndSession();
  // A value read from the radio (or none): the value field, the slider and the lamp.
  void ShowReadValue(std::optional<int> value);
  void ShowValue(int value);
  void SetIndicator(int state);
  void QueueValue(int value);
  // Runs `answer` on the window thread, after the answers queued before it.
  template <class Answer>
  void Deliver(Answer&& answer);

  const TransferContext context_;
  QSlider* slider_;
  CUpDown* spin_;
  QLineEdit* valueEdit_;
  QPushButton* save_;
  QLabel* indicator_;
  QTimer timer_;
  const TestItem* currentItem_ = nullptr;
  int indicatorState_ = 1;
  bool pollPending_ = false;
  int savesPending_ = 0;            // Saves queued whose answer has not come back yet
  bool saveFailedAtEnd_ = false;    // a Save the closing window waited for failed
  bool ending_ = false;             // the closing window waits for the radio
  bool ended_ = false;
  std::unique_ptr<SerialWorker> worker_;
};
