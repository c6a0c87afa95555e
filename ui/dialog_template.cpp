#include "ui/dialog_template.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "settings/app_files.h"
#include "ui/qt_text.h"

namespace {

constexpr char kControlIdProperty[] = "controlId";
const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

QWidget* CreateStandardControl(const ControlTemplate& entry, QWidget* parent, QButtonGroup*& radioGroup) {
  const QString text = ToQString(entry.text);
  switch (entry.kind) {
    case ControlKind::Static: {
      auto* label = new QLabel(text, parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::Picture: {
      auto* picture = new QLabel(parent);
      picture->setPixmap(ProgramIcon().pixmap(64, 64));
      picture->setScaledContents(true);
      return picture;
    }
    case ControlKind::GroupBox: return new QGroupBox(text, parent);
    case ControlKind::PushButton: return new QPushButton(text, parent);
    case ControlKind::DefaultButton: {
      auto* button = new QPushButton(text, parent);
      button->setDefault(true);
      return button;
    }
    case ControlKind::CheckBox: return new QCheckBox(text, parent);
    case ControlKind::RadioButton: {
      // Radio buttons are exclusive within a run that starts at a group style.
      if (radioGroup == nullptr || (entry.style & control_style::kGroup) != 0) radioGroup = new QButtonGroup(parent);
      auto* button = new QRadioButton(text, parent);
      radioGroup->addButton(button, entry.id);
      return button;
    }
    case ControlKind::Edit: {
      if ((entry.style & control_style::kMultiLine) != 0) {
        auto* edit = new QPlainTextEdit(text, parent);
        edit->setReadOnly((entry.style & control_style::kReadOnly) != 0);
        // Tab moves on to the next control, as in every other field of a dialog.
        edit->setTabChangesFocus(true);
        return edit;
      }
      auto* edit = new QLineEdit(text, parent);
      edit->setReadOnly((entry.style & control_style::kReadOnly) != 0);
      return edit;
    }
    case ControlKind::DropDownList: return new QComboBox(parent);
    case ControlKind::DropDownCombo: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      return combo;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Slider:
      return new QSlider((entry.style & control_style::kVertical) != 0 ? Qt::Vertical : Qt::Horizontal, parent);
    case ControlKind::Spin: return new QSpinBox(parent);
    case ControlKind::Tab: return new QTabWidget(parent);
    case ControlKind::ListView: {
      auto* list = new QTreeWidget(parent);
      list->setRootIsDecorated(false);
      list->setUniformRowHeights(true);
      list->setAllColumnsShowFocus(true);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSelectionBehavior(QAbstractItemView::SelectRows);
      list->setEditTriggers(QAbstractItemView::NoEditTriggers);
      return list;
    }
    case ControlKind::Custom: break;
  }
  return new QWidget(parent);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  baseWidth_ = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
  baseHeight_ = metrics.height();
}

QRect DialogUnits::ToPixels(const DialogRect& rect) const {
  return {rect.x * baseWidth_ / 4, rect.y * baseHeight_ / 8, rect.width * baseWidth_ / 4,
          rect.height * baseHeight_ / 8};
}

QSize DialogUnits::ToPixels(int width, int height) const { return {width * baseWidth_ / 4, height * baseHeight_ / 8}; }

QSize DialogUnits::ScaleDesignPixels(int width, int height) const {
  constexpr int kClassicBaseWidth = 6;
  constexpr int kClassicBaseHeight = 13;
  return {(width * baseWidth_ + kClassicBaseWidth / 2) / kClassicBaseWidth,
          (height * baseHeight_ + kClassicBaseHeight / 2) / kClassicBaseHeight};
}

const DialogTemplate* BuildFromTemplate(QWidget* host, int templateId, const CustomControlFactory& custom) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  if (dialog == nullptr) return nullptr;
  const DialogUnits units(host->font());
  QButtonGroup* radioGroup = nullptr;
  for (const ControlTemplate& entry : dialog->controls) {
    QWidget* control = custom ? custom(entry, host) : nullptr;
    if (control == nullptr) control = CreateStandardControl(entry, host, radioGroup);
    SetControlId(control, entry.id);
    if (entry.kind != ControlKind::Custom || ControlText(control).isEmpty()) {
      if (!entry.text.empty()) SetControlText(control, ToQString(entry.text));
    }
    QRect rect = units.ToPixels(entry.rect);
    // A combo box's template height is that of its open list; closed it is one line.
    if (auto* combo = qobject_cast<QComboBox*>(control)) rect.setHeight(combo->sizeHint().height());
    control->setGeometry(rect);
    control->setVisible((entry.style & control_style::kHidden) == 0);
    control->setEnabled((entry.style & control_style::kDisabled) == 0);
    if (entry.kind == ControlKind::GroupBox) control->lower();
  }
  host->resize(units.ToPixels(dialog->width, dialog->height));
  if (!dialog->caption.empty()) host->setWindowTitle(ToQString(dialog->caption));
  return dialog;
}

int ControlId(const QObject* control) {
  return control == nullptr ? 0 : control->property(kControlIdProperty).toInt();
}

void SetControlId(QWidget* control, int id) {
  control->setProperty(kControlIdProperty, id);
  control->setObjectName(QStringLiteral("control%1").arg(id));
}

QWidget* FindControl(const QWidget* dialog, int id) {
  if (dialog == nullptr) return nullptr;
  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    if (ControlId(child) == id) return child;
  }
  return nullptr;
}

QString ControlText(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) return edit->toPlainText();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  return control == nullptr ? QString() : control->windowTitle();
}

void SetControlText(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) {
    if (label->pixmap().isNull()) label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    edit->setPlainText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (combo->isEditable()) combo->setEditText(text);
  }
}

void LoadProgramResources() { Q_INIT_RESOURCE(corvane); }

QIcon ProgramIcon() {
  // Decoded once: every page reload sets it again. Never destroyed, so that it does not
  // outlive the application object's pixmap support.
  static const QIcon* const icon = new QIcon(QStringLiteral(":/corvane/icons/corvane.xpm"));
  return *icon;
}

void ApplyDialogTexts(QWidget* dialog, int templateId, const AppFiles& files) {
  dialog->setWindowIcon(ProgramIcon());
  const LanguageTexts texts = files.Texts();
  if (const auto title = texts.ResourceText(templateId)) dialog->setWindowTitle(ToQString(*title));
  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    const int id = ControlId(child);
    if (id == 0) continue;
    if (const auto text = texts.ResourceText(id)) SetControlText(child, ToQString(*text));
  }
}
