#include "pages/dlg_func.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHideEvent>
#include <algorithm>

#include "link/voice_package.h"
#include "radio/document.h"
#include "radio/function_page.h"
#include "ui/entry_controls.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace fp = function_page;

CDlgFunc::CDlgFunc(const PageContext& context, QWidget* parent)
    : CPage(dialog_id::kFunctionPage, context, parent),
      message_(ControlAs<CMessageEdit>(fp::id::kMessage)),
      emergencyId_(ControlAs<CDTMFEdit>(fp::id::kEmergencyId)) {
  for (const int control : {fp::id::kSquelchLevel, fp::id::kTimeOutTimer, fp::id::kTailReversal,
                            fp::id::kProgrammableKeyMode, fp::id::kNormalKey, fp::id::kShortKey, fp::id::kLongKey,
                            fp::id::kEmergencyChannel}) {
    connect(ControlAs<QComboBox>(control), &QComboBox::activated, this,
            [this, control](int index) { OnListPicked(control, index); });
  }
  connect(ControlAs<QComboBox>(fp::id::kSpeechLanguage), &QComboBox::activated, this,
          &CDlgFunc::OnSpeechLanguagePicked);
  for (const int control : {fp::id::kAnnounceChannel, fp::id::kBatteryLowNotice, fp::id::kBatterySave,
                            fp::id::kRogerTone, fp::id::kWiredCloneMode, fp::id::kSendEni, fp::id::kLocalAlarm,
                            fp::id::kSendAlarmTone, fp::id::kSendBackgroundNoise}) {
    connect(ControlAs<QCheckBox>(control), &QCheckBox::clicked, this,
            [this, control](bool checked) { OnCheckClicked(control, checked); });
  }
  connect(ControlAs<CUpDown>(fp::id::kLongPressUpDown), &CUpDown::stepped, this, &CDlgFunc::OnLongPressStepped);
  connect(emergencyId_, &CDTMFEdit::codeEdited, this, &CDlgFunc::CommitEmergencyId);
  connect(message_, &CMessageEdit::focusLost, this, &CDlgFunc::CommitMessage);
}

void CDlgFunc::LoadControls() {
  // Finding the document's package also makes it the one a write sends.
  languages_ = Voices() != nullptr ? SpeechLanguagesOf(*Voices(), Doc().VoiceId()) : fp::SpeechLanguages{};
  ShowImage(false);
  emergencyId_->setModified(false);  // a reload shows the stored code, not a typed one
}

void CDlgFunc::ShowImage(bool keepTyping) {
  page_state::Controls states = fp::State(Doc(), Files(), languages_);
  for (page_state::Control& state : states) {
    if (state.kind != page_state::Kind::Text) continue;
    if (state.id == fp::id::kMessage) {
      // The message edit shows a stored message in full, beyond the typing limit.
      if (!(keepTyping && message_->hasFocus())) message_->ShowMessage(ToQString(state.text));
      state.kind = page_state::Kind::Caption;  // enabling only
    } else if (state.id == fp::id::kEmergencyId && keepTyping && emergencyId_->hasFocus()) {
      state.kind = page_state::Kind::Caption;
    }
  }
  ShowStates(states);
}

void CDlgFunc::OnListPicked(int control, int index) {
  if (fp::StoreChoice(Doc(), control, index) == fp::Outcome::FreeChannel)
    ShowMessageBox(this, Files(), fp::kFreeChannelRefused);
  ShowImage(true);  // a refused channel: the list shows the stored one again
}

void CDlgFunc::OnSpeechLanguagePicked(int index) {
  fp::StoreSpeechLanguage(Doc(), languages_, index);
  ShowImage(true);
}

void CDlgFunc::OnCheckClicked(int control, bool checked) {
  fp::StoreCheck(Doc(), control, checked);
  ShowImage(true);
}

void CDlgFunc::OnLongPressStepped(int direction) {
  fp::StepLongPress(Doc(), direction);
  ShowImage(true);
}

void CDlgFunc::CommitEmergencyId() {
  fp::StoreEmergencyId(Doc(), ToStdString(emergencyId_->text()));
  ShowImage(false);
}

void CDlgFunc::CommitMessage() {
  if (!message_->IsEdited()) return;
  fp::StoreMessage(Doc(), ToStdString(message_->MessageText()));
  ShowImage(false);
}

void CDlgFunc::hideEvent(QHideEvent* event) {
  // A tab switch hides the page while the message may still have the focus: what was typed
  // is committed now, as leaving the edit commits it, before the focus moves on from a
  // hidden edit. A window minimised or closing hides its pages too: that is no leave
  // (closing has committed already). The emergency ID field does the same itself.
  if (!event->spontaneous() && window()->isVisible() && message_->hasFocus()) CommitMessage();
  CPage::hideEvent(event);
}
