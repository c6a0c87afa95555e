#include "pages/dlg_func.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHideEvent>

#include "link/voice_package.h"
#include "radio/document.h"
#include "radio/function_page.h"
#include "ui/entry_controls.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace fp = function_page;

CDlgFunc::CDlgFunc(const PageContext& context, QWidget* parent) : CPage(dialog_id::kFunctionPage, context, parent) {
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
  connect(ControlAs<CDTMFEdit>(fp::id::kEmergencyId), &QLineEdit::editingFinished, this, &CDlgFunc::CommitEmergencyId);
  connect(ControlAs<CMessageEdit>(fp::id::kMessage), &CMessageEdit::focusLost, this, &CDlgFunc::CommitMessage);
}

void CDlgFunc::LoadControls() {
  // Finding the document's package also makes it the one a write sends.
  languages_ = Voices() != nullptr ? SpeechLanguagesOf(*Voices(), Doc().VoiceId()) : fp::SpeechLanguages{};
  ShowImage();
}

void CDlgFunc::ShowImage() { ShowStates(fp::State(Doc(), Files(), languages_)); }

void CDlgFunc::OnListPicked(int control, int index) {
  if (fp::StoreChoice(Doc(), control, index) == fp::Outcome::FreeChannel) {
    ShowMessageBox(this, Files(), {"IDS_ERROR_CH", "", "IDS_ERROR", PromptIcon::Error, PromptButtons::Ok});
  }
  ShowImage();
}

void CDlgFunc::OnSpeechLanguagePicked(int index) {
  if (index >= 0 && Doc().SelectVoicePackage(static_cast<std::size_t>(index))) {
    languages_.selected = index;
    Doc().SetModifiedFlag();
  }
  ShowImage();
}

void CDlgFunc::OnCheckClicked(int control, bool checked) {
  fp::StoreCheck(Doc(), control, checked);
  ShowImage();
}

void CDlgFunc::OnLongPressStepped(int direction) {
  fp::StepLongPress(Doc(), direction);
  ShowImage();
}

void CDlgFunc::CommitEmergencyId() {
  fp::StoreEmergencyId(Doc(), ToStdString(ControlAs<CDTMFEdit>(fp::id::kEmergencyId)->text()));
  ShowImage();
}

void CDlgFunc::CommitMessage() {
  fp::StoreMessage(Doc(), ToStdString(ControlAs<CMessageEdit>(fp::id::kMessage)->toPlainText()));
  ShowImage();
}

void CDlgFunc::hideEvent(QHideEvent* event) {
  // A tab switch while a field has the focus stores it as leaving the field does.
  if (!event->spontaneous() && window()->isVisible()) {
    if (ControlById(fp::id::kMessage)->hasFocus()) CommitMessage();
    if (ControlById(fp::id::kEmergencyId)->hasFocus()) CommitEmergencyId();
  }
  CPage::hideEvent(event);
}
