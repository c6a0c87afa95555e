#include "dialogs/test_function.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <utility>

#include "dialogs/off_thread.h"
#include "dialogs/serial_worker.h"
#include "link/serial.h"
#include "link/test_functions.h"
#include "settings/app_files.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace {

constexpr int kValueMax = 255;

QWidget* CreateTestFunctionControl(const ControlTemplate& entry, QWidget* parent) {
  if (entry.className == "CUpDown") return new CUpDown(parent);
  return nullptr;
}

// The lamp's picture and resource number for each indicator state (0, 1, 2).
struct Lamp {
  int icon;
  const char* file;
};
constexpr Lamp kLamps[] = {{149, "radio_silent"}, {147, "radio_answering_1"}, {148, "radio_answering_2"}};

const Lamp& LampOf(int state) { return kLamps[state >= 0 && state < 3 ? state : 0]; }

void NoDefaultButton(QPushButton* button) {
  // Return in the window presses nothing: a stray Save would store a value in the radio.
  button->setAutoDefault(false);
  button->setDefault(false);
}

}  // namespace

CTestFunction::CTestFunction(const TransferContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  BuildFromTemplate(this, dialog_id::kTestFunction, CreateTestFunctionControl);
  ApplyDialogTexts(this, dialog_id::kTestFunction, context_.files);
  slider_ = Control<QSlider>(this, kSliderId);
  spin_ = Control<CUpDown>(this, kSpinId);
  valueEdit_ = Control<QLineEdit>(this, kValueId);
  save_ = Control<QPushButton>(this, kSaveId);
  indicator_ = Control<QLabel>(this, kIndicatorId);
  auto* exit = Control<QPushButton>(this, kExitId);
  NoDefaultButton(save_);
  NoDefaultButton(exit);

  slider_->setRange(0, kValueMax);
  slider_->setValue(0);
  ShowValue(0);
  SetIndicator(1);

  for (const TestItem& item : TestItems()) {
    auto* button = Control<QAbstractButton>(this, item.controlId);
    connect(button, &QAbstractButton::clicked, this, [this, id = item.controlId] { OnItemClicked(id); });
  }
  connect(slider_, &QAbstractSlider::actionTriggered, this, [this] { OnSliderAction(); });
  connect(spin_, &CUpDown::stepped, this, &CTestFunction::OnSpinStepped);
  connect(save_, &QPushButton::clicked, this, &CTestFunction::OnSave);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);

  worker_ = std::make_unique<SerialWorker>(context_.port);
  connect(&timer_, &QTimer::timeout, this, &CTestFunction::OnTimer);
  timer_.start(kPollPeriodMs);
}

CTestFunction::~CTestFunction() {
  // Normally done() has ended the session; otherwise the exchange in progress ends here.
  timer_.stop();
  worker_.reset();
  if (!ended_) context_.port.Close();
}

int CTestFunction::IndicatorIcon() const { return LampOf(indicatorState_).icon; }

template <class Answer>
void CTestFunction::Deliver(Answer&& answer) {
  // The window waits for the worker before it goes, so `this` outlives every call queued here.
  QMetaObject::invokeMethod(this, std::forward<Answer>(answer), Qt::QueuedConnection);
}

void CTestFunction::OnItemClicked(int controlId) {
  const TestItem* item = FindTestItem(controlId);
  if (item == nullptr) return;
  currentItem_ = item;
  const bool reading = item->kind == TestItemKind::Reading;
  slider_->setEnabled(!reading);
  spin_->setEnabled(!reading);
  save_->setEnabled(reading);
  worker_->Queue([this, item](SerialPort& port) {
    const ItemSelection selection = SelectTestItem(port, *item);
    Deliver([this, selection] { OnItemSelected(selection); });
  });
}

void CTestFunction::OnTimer() {
  if (pollPending_) return;
  pollPending_ = true;
  const TestItem* item = currentItem_;
  const bool reading = item != nullptr && item->kind == TestItemKind::Reading;
  worker_->Queue([this, item, reading](SerialPort& port) {
    const TestPoll poll = PollTestRadio(port, item);
    Deliver([this, poll, reading] { OnPolled(poll, reading); });
  });
}

void CTestFunction::OnPolled(const TestPoll& poll, bool reading) {
  pollPending_ = false;
  if (reading) {
    ShowReadValue(poll.value);
  } else {
    SetIndicator(NextIndicatorState(indicatorState_, poll.answered));
  }
}

void CTestFunction::OnItemSelected(const ItemSelection& selection) {
  if (selection.valueAsked) ShowReadValue(selection.value);
}

void CTestFunction::ShowReadValue(std::optional<int> value) {
  if (value) {
    ShowValue(*value);
  } else {
    valueEdit_->setText(ToQString(context_.files.GetText("IDS_NONE")));
  }
  SetIndicator(NextIndicatorState(indicatorState_, value.has_value()));
}

void CTestFunction::ShowValue(int value) {
  valueEdit_->setText(QString::number(value));
  slider_->setValue(value);  // a reading above the range puts the slider at its end
}

void CTestFunction::SetIndicator(int state) {
  indicatorState_ = state;
  indicator_->setPixmap(QPixmap(QStringLiteral(":/corvane/icons/%1.xpm").arg(QLatin1String(LampOf(state).file))));
}

void CTestFunction::OnSpinStepped(int direction) {
  // A step starts from the slider, which always holds a value the radio can take (the value
  // field may show "none" or a reading beyond 255). The up arrow is an up-down control's
  // negative step: it raises the value.
  const int value = StepTestValue(slider_->value(), -direction);
  ShowValue(value);
  QueueValue(value);
}

void CTestFunction::OnSliderAction() {
  // Called before the slider takes the position the user moved it to.
  const int value = slider_->sliderPosition();
  valueEdit_->setText(QString::number(value));
  QueueValue(value);
}

void CTestFunction::QueueValue(int value) {
  worker_->Queue([value](SerialPort& port) { SendTestValue(port, static_cast<std::uint8_t>(value)); });
  save_->setEnabled(true);
}

void CTestFunction::OnSave() {
  ++savesPending_;
  worker_->Queue([this](SerialPort& port) {
    const bool stored = SaveTestValue(port);
    Deliver([this, stored] { OnSaved(stored); });
  });
}

void CTestFunction::OnSaved(bool stored) {
  --savesPending_;
  if (stored) return;
  // A closing window reports the failure once the radio is done with it.
  if (ended_) saveFailedAtEnd_ = true;
  else ShowSaveFailure();
}

void CTestFunction::ShowSaveFailure() {
  if (const std::optional<PromptRequest> message = TestLinkMessage(TestLinkOutcome::SaveFailed, TestDialog::TestFunction))
    ShowMessageBox(this, context_.files, *message);
}

void CTestFunction::done(int result) {
  if (ending_) return;  // already closing, waiting for the radio
  if (!ended_) EndSession();
  QDialog::done(result);
}

void CTestFunction::EndSession() {
  ended_ = true;
  ending_ = true;
  timer_.stop();
  if (savesPending_ > 0) {
    // A Save clicked just before closing still reaches the radio, behind the values it
    // stores; the technician sees the window wait for it.
    setEnabled(false);
    worker_->Finish();
  } else {
    hide();
    worker_->Stop();
  }
  RunOffWindowThread([this] { worker_->Join(); });
  // Answers the worker queued before it returned, the last Save's among them.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  context_.port.Close();
  if (saveFailedAtEnd_) ShowSaveFailure();
  ending_ = false;
}
