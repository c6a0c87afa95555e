#include "ui/entry_controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QValidator>
#include <algorithm>
#include <QStringList>
#include <QStringView>
#include <string>
#include <vector>

#include "radio/channel_table.h"
#include "radio/entry_codecs.h"
#include "settings/app_files.h"
#include "ui/qt_text.h"

namespace {

constexpr int kToneTextLimit = 6;        // "3106.8"
constexpr int kFrequencyTextLimit = static_cast<int>(channel_table::kFrequencyTextLimit);
constexpr int kCodeTextLimit = 5;        // "100.0", "D023N"
constexpr int kDtmfTextLimit = static_cast<int>(entry::kDtmfDigits);

// The text a key press types into an edit field, or empty text for the keys the
// filters must let through: Backspace, Delete, arrows, Home/End, Enter, Esc, Tab
// (all with control characters or no text) and Ctrl shortcuts. Mirrors what
// QLineEdit itself treats as input.
QString TypedText(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty() || text.front().category() == QChar::Other_Control) return {};
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) return {};
  return text;
}

// Digits, and a decimal point only while the text has none: a selected point that
// the typed one would replace still counts.
bool IsNumberInput(const QString& current, const QString& typed) {
  bool hasPoint = current.contains(u'.');
  for (const QChar c : typed) {
    if (c == u'.') {
      if (hasPoint) return false;
      hasPoint = true;
    } else if (c < u'0' || c > u'9') {
      return false;
    }
  }
  return true;
}

bool IsDtmfInput(const QString& typed) {
  constexpr QStringView kDtmfCharacters = u"0123456789ABCDabcd*#";
  for (const QChar c : typed) {
    if (!kDtmfCharacters.contains(c)) return false;
  }
  return true;
}

// The key filters, applied to the whole text however it arrives: typed, committed by an
// input method or pasted. Full-width digits and the ideographic full stop are refused as
// any other character is, not read as the ASCII ones they look like.
class NumberValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override { return IsNumberInput({}, input) ? Acceptable : Invalid; }
};

class DtmfValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (!IsDtmfInput(input)) return Invalid;
    // An upper-case field: a-d go in as A-D, also when pasted.
    input = input.toUpper();
    return Acceptable;
  }
};

bool IsEnterOrEscape(const QKeyEvent& event) {
  const int key = event.key();
  return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// Ends the editing: the focus goes to the page, and the control's focus loss makes
// the page commit.
void GiveFocusToParent(QWidget& control) {
  if (QWidget* parent = control.parentWidget()) parent->setFocus();
}

// A popup (the combo box's own list, a context menu) takes the focus only for a
// moment and hands it back when it closes; the editing goes on. Opening a combo
// box's list sends two focus-outs: one for the popup, then one as the list view
// takes the focus inside it.
bool EndsEditing(const QFocusEvent& event) {
  return event.reason() != Qt::PopupFocusReason && QApplication::activePopupWidget() == nullptr;
}

// The steps every in-cell editor starts with.
void ShowAndEnable(QWidget& control) {
  control.show();
  control.setEnabled(true);
}

// The in-cell editors wait hidden and disabled until the page opens them.
void StartClosed(QWidget& control) {
  control.hide();
  control.setEnabled(false);
}

}  // namespace

// ---------------------------------------------------------------- number entries

CNumberEntry::CNumberEntry(QWidget* parent) : QLineEdit(parent) { setValidator(new NumberValidator(this)); }

void CNumberEntry::keyPressEvent(QKeyEvent* event) {
  if (IsEnterOrEscape(*event)) {
    if (event->key() == Qt::Key_Escape) setText(savedText_);
    GiveFocusToParent(*this);
    QLineEdit::keyPressEvent(event);
    event->accept();
    return;
  }
  if (!IsNumberInput(text(), TypedText(*event))) {
    event->accept();  // dropped
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void CNumberEntry::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (EndsEditing(*event)) emit focusLost();
}

C2ToneEdit::C2ToneEdit(QWidget* parent) : CNumberEntry(parent) {}

void C2ToneEdit::SetToneValue(std::uint16_t value) {
  setText(ToQString(entry::TwoToneText(value)));
  savedText_ = text();
}

std::optional<std::uint16_t> C2ToneEdit::GetToneValue() const { return entry::TwoToneValue(ToStdString(text())); }

void C2ToneEdit::OpenOverCell(const QRect& rect) {
  ShowAndEnable(*this);
  setMaxLength(kToneTextLimit);
  setGeometry(rect);
  selectAll();
  // Esc restores the value the entry was opened with, not an empty text (no tone).
  savedText_ = text();
  setFocus();
}

CFreqEdit::CFreqEdit(QWidget* parent) : CNumberEntry(parent) { StartClosed(*this); }

void CFreqEdit::OpenOverCell(const QRect& rect, const QString& text) {
  ShowAndEnable(*this);
  setMaxLength(kFrequencyTextLimit);
  setGeometry(rect);
  setText(text);
  selectAll();
  savedText_ = this->text();
  setFocus();
}

// ---------------------------------------------------------------- CDTMFEdit

CDTMFEdit::CDTMFEdit(QWidget* parent) : QLineEdit(parent) {
  setMaxLength(kDtmfTextLimit);
  setValidator(new DtmfValidator(this));
  connect(this, &QLineEdit::returnPressed, this, &CDTMFEdit::FinishEditing);
}

void CDTMFEdit::FinishEditing() {
  if (!isModified()) return;
  setModified(false);
  emit codeEdited();
}

void CDTMFEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (EndsEditing(*event)) FinishEditing();
}

void CDTMFEdit::hideEvent(QHideEvent* event) {
  // A page switch hides the field while it has the focus: that is a leave, committed now
  // before the focus moves on from a hidden field. A window minimised or closing hides it
  // too: that is none (closing has committed already).
  if (!event->spontaneous() && hasFocus() && window()->isVisible()) FinishEditing();
  QLineEdit::hideEvent(event);
}

void CDTMFEdit::SetCode(std::span<const std::uint8_t, 16> code) {
  setMaxLength(kDtmfTextLimit);
  setText(ToQString(entry::DtmfText(code)));
}

void CDTMFEdit::GetCode(std::span<std::uint8_t, 16> code) const {
  entry::DtmfFromText(ToStdString(text().left(kDtmfTextLimit)), code);
}

void CDTMFEdit::keyPressEvent(QKeyEvent* event) {
  const QString typed = TypedText(*event);
  if (typed.isEmpty()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (!IsDtmfInput(typed)) {
    event->accept();  // dropped
    return;
  }
  // An upper-case field: typed a-d go in as A-D.
  QKeyEvent upperCase(event->type(), event->key(), event->modifiers(), typed.toUpper(), event->isAutoRepeat(),
                      event->count());
  QLineEdit::keyPressEvent(&upperCase);
  event->setAccepted(upperCase.isAccepted());
}

// ---------------------------------------------------------------- in-cell combo boxes

CInCellComboBox::CInCellComboBox(QWidget* parent) : QComboBox(parent) { StartClosed(*this); }

void CInCellComboBox::keyPressEvent(QKeyEvent* event) {
  // Ctrl+PgUp and Ctrl+PgDown switch the page under the editor (as Ctrl+Tab does) rather
  // than step through the list.
  if ((event->modifiers() & Qt::ControlModifier) &&
      (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)) {
    event->ignore();
    return;
  }
  if (IsEnterOrEscape(*event)) {
    if (event->key() == Qt::Key_Escape) ShowText(savedText_);
    GiveFocusToParent(*this);
    QComboBox::keyPressEvent(event);
    event->accept();
    return;
  }
  QComboBox::keyPressEvent(event);
}

void CInCellComboBox::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (EndsEditing(*event)) emit focusLost();
}

CAddBox::CAddBox(QWidget* parent) : CInCellComboBox(parent) {}

void CAddBox::OpenOverCell(const QRect& rect, const QString& text) {
  ShowAndEnable(*this);
  savedText_ = text;
  ShowText(text);
  setGeometry(rect);
  setFocus();
}

void CAddBox::ShowText(const QString& text) {
  // An exact entry wins over an earlier one that merely begins with the text
  // ("Monitor" must not open as "Monitor (Momentary)").
  int index = findText(text, Qt::MatchFixedString);
  if (index < 0) index = findText(text, Qt::MatchStartsWith);
  // No match shows no entry rather than one that belongs to another cell.
  setCurrentIndex(index);
}

CCodeBox::CCodeBox(QWidget* parent) : CInCellComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // Inline completion would commit a code the user never typed ("1" would become "100.0").
  setCompleter(nullptr);
}

void CCodeBox::FillCodes(const AppFiles& files) {
  std::vector<std::string> codes = entry::CodeListEntries(files);
  // Each page reload asks again; refilling an unchanged list of some 200 codes would
  // cost more than the rest of the reload.
  if (codes != shownCodes_) {
    clear();
    QStringList items;
    for (const std::string& code : codes) items.append(ToQString(code));
    addItems(items);
    shownCodes_ = std::move(codes);
  }
  setCurrentIndex(-1);  // no code chosen until the box is opened over a cell
}

void CCodeBox::OpenOverCell(const QRect& rect, const QString& text) {
  ShowAndEnable(*this);
  lineEdit()->setMaxLength(kCodeTextLimit);
  ShowText(text);
  savedText_ = text;
  lineEdit()->selectAll();
  setGeometry(rect);
  setFocus();
}

void CCodeBox::ShowText(const QString& text) {
  // The list opens at the shown code; the edit field shows the text as it is.
  setCurrentIndex(findText(text, Qt::MatchFixedString));
  setEditText(text);
}

CMessageEdit::CMessageEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setTabChangesFocus(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(this, &QPlainTextEdit::textChanged, this, &CMessageEdit::KeepStorable);
}

void CMessageEdit::ShowMessage(const QString& text) {
  shown_ = text;
  if (MessageText() == text) return;
  accepted_ = text;  // as it stands, also beyond the limit
  setPlainText(text);
}

QString CMessageEdit::MessageText() const {
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}

void CMessageEdit::KeepStorable() {
  const QString text = MessageText();
  const std::optional<std::string> stored = entry::MessageStoredText(ToStdString(text));
  const std::optional<std::string> before = entry::MessageStoredText(ToStdString(accepted_));
  const std::size_t beforeSize = before ? before->size() : 0;
  if (text == accepted_ || (stored && (stored->size() <= entry::kMessageMaxBytes || stored->size() < beforeSize))) {
    accepted_ = text;
    return;
  }
  // The cursor goes back to where the refused insertion began.
  const auto position = std::clamp(textCursor().position() - static_cast<int>(text.size() - accepted_.size()), 0,
                                   static_cast<int>(accepted_.size()));
  const QSignalBlocker blocker(this);
  setPlainText(accepted_);
  QTextCursor cursor = textCursor();
  cursor.setPosition(position);
  setTextCursor(cursor);
  QApplication::beep();
}

void CMessageEdit::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (EndsEditing(*event)) emit focusLost();
}
