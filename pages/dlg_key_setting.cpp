#include "pages/dlg_key_setting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>

#include "radio/document.h"
#include "radio/scan_page.h"
#include "ui/entry_controls.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace {

namespace sp = scan_page;
namespace id = scan_page::id;

bool IsPttIdEdit(int controlId) { return controlId == id::kBotPttId || controlId == id::kEotPttId; }

}  // namespace

CDlgKeySetting::CDlgKeySetting(const PageContext& context, QWidget* parent)
    : CPage(dialog_id::kScanVoxDtmfPage, context, parent) {
  for (int listId : sp::kListIds) {
    auto* list = ControlAs<QComboBox>(listId);
    connect(list, &QComboBox::activated, this, [this, listId](int index) { OnListActivated(listId, index); });
    list->installEventFilter(this);
  }
  for (int checkId : sp::kCheckIds) {
    connect(ControlAs<QCheckBox>(checkId), &QCheckBox::clicked, this, [this, checkId](bool checked) {
      sp::StoreCheck(Doc(), checkId, checked);
      ShowValues();
    });
  }
  for (int spinnerId : sp::kSpinnerIds) {
    connect(ControlAs<CUpDown>(spinnerId), &CUpDown::stepped, this, [this, spinnerId](int direction) {
      sp::Step(Doc(), spinnerId, direction);
      ShowValues();
    });
  }
  for (std::size_t index = 0; index < pttIdEdits_.size(); ++index) {
    CDTMFEdit* edit = ControlAs<CDTMFEdit>(sp::kPttIdEditIds[index]);
    pttIdEdits_[index] = edit;
    // As the function page's emergency ID: only a typed change is stored, on leaving.
    connect(edit, &CDTMFEdit::codeEdited, this, [this, edit] { CommitPttId(edit); });
  }
}

void CDlgKeySetting::LoadControls() {
  ShowStates(sp::State(Doc(), Files()));
  for (CDTMFEdit* edit : pttIdEdits_) edit->setModified(false);  // a reload shows the stored code
}

void CDlgKeySetting::ShowValues() {
  page_state::Controls states = sp::State(Doc(), Files());
  std::erase_if(states, [](const page_state::Control& state) { return IsPttIdEdit(state.id); });
  ShowStates(states);
}

void CDlgKeySetting::OnListActivated(int listId, int index) {
  const std::optional<PromptRequest> refusal = sp::StoreListPick(Doc(), listId, index);
  if (refusal) ShowMessageBox(this, Files(), *refusal);
  ShowValues();
  // A refused priority channel leaves the list without a selection; the field keeps its channel.
  if (refusal) ControlAs<QComboBox>(listId)->setCurrentIndex(-1);
}

void CDlgKeySetting::CommitPttId(CDTMFEdit* edit) {
  const int editId = ControlId(edit);
  sp::StorePttId(Doc(), editId, ToStdString(edit->text()));
  page_state::Controls states = sp::State(Doc(), Files());
  std::erase_if(states, [editId](const page_state::Control& state) { return state.id != editId; });
  ShowStates(states);
}

bool CDlgKeySetting::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+PgUp and Ctrl+PgDown switch the page (as Ctrl+Tab does) rather than step the list
  // that has the focus, which would store a value the user never chose.
  if (event->type() == QEvent::KeyPress && qobject_cast<QComboBox*>(watched) != nullptr) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::ControlModifier) && (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
      event->ignore();  // on to the tab control
      return true;
    }
  }
  return CPage::eventFilter(watched, event);
}

void CDlgKeySetting::showEvent(QShowEvent* event) {
  CPage::showEvent(event);
  // The scan members may have changed on the channel page while this page was hidden.
  ShowValues();
}

