#include "pages/page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/entry_controls.h"
#include "ui/grid_ctrl.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace {

void ShowList(QComboBox& list, const page_state::Control& state) {
  bool same = list.count() == static_cast<int>(state.entries.size());
  for (int index = 0; same && index < list.count(); ++index) {
    same = list.itemText(index) == ToQString(state.entries[static_cast<std::size_t>(index)]);
  }
  if (!same) {
    list.clear();
    for (const std::string& entry : state.entries) list.addItem(ToQString(entry));
  }
  if (list.currentIndex() != state.selected) list.setCurrentIndex(state.selected);
}

void ShowText(QWidget& control, const QString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
    if (edit->text() != text) edit->setText(text);
  } else if (auto* lines = qobject_cast<QPlainTextEdit*>(&control)) {
    if (lines->toPlainText() != text) lines->setPlainText(text);
  }
}

}  // namespace

QWidget* CreatePageControl(const ControlTemplate& entry, QWidget* parent) {
  if (entry.kind != ControlKind::Custom) return nullptr;
  if (entry.className == "CUpDown") return new CUpDown(parent);
  if (entry.className == "CDTMFEdit") return new CDTMFEdit(parent);
  if (entry.className == "C2ToneEdit") return new C2ToneEdit(parent);
  if (entry.className == "CMessageEdit") return new CMessageEdit(parent);
  if (entry.className == "MFCGridCtrl") return new CGridCtrl(parent);
  return nullptr;
}

CPage::CPage(int templateId, const PageContext& context, QWidget* parent, const CustomControlFactory& custom)
    : QWidget(parent), templateId_(templateId), context_(context) {
  const DialogTemplate* dialog = BuildFromTemplate(this, templateId, custom ? custom : CreatePageControl);
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (const int id = ControlId(child); id != 0) controls_.emplace(id, child);
  }
  if (dialog == nullptr) return;
  // An up-down control works the field just before it in the template.
  QWidget* previous = nullptr;
  for (const ControlTemplate& entry : dialog->controls) {
    QWidget* control = ControlById(entry.id);
    if (auto* upDown = qobject_cast<CUpDown*>(control)) {
      if (auto* buddy = qobject_cast<QLineEdit*>(previous)) upDown->SetBuddy(buddy);
    }
    previous = control;
  }
}

QWidget* CPage::ControlById(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

void CPage::LoadFromImage() {
  ApplyDialogTexts(this, templateId_, context_.files);
  LoadControls();
  emit loaded();
}

void CPage::ShowStates(const page_state::Controls& states) {
  for (const page_state::Control& state : states) {
    QWidget* control = ControlById(state.id);
    if (control == nullptr) continue;
    switch (state.kind) {
      case page_state::Kind::List:
        if (auto* list = qobject_cast<QComboBox*>(control)) ShowList(*list, state);
        break;
      case page_state::Kind::Check:
        if (auto* box = qobject_cast<QCheckBox*>(control)) box->setChecked(state.checked);
        break;
      case page_state::Kind::Text: ShowText(*control, ToQString(state.text)); break;
      case page_state::Kind::Caption: break;
    }
    if (control->isEnabled() != state.enabled) control->setEnabled(state.enabled);
  }
}
