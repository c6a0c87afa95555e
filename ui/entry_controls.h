#pragma once
// The five entry controls of the editing pages. Each fixes which characters can be
// typed, how long the text may be, how it opens over a grid cell and what Enter and
// Esc do. The in-cell editors emit focusLost when they lose the focus; the page
// commits their text then. A popup taking the focus for a moment (the combo box's
// list, a context menu) does not count as losing it.
//
// The frequency, two-tone and DTMF entries take only the characters their key filter
// lets through, also from an input method or the clipboard (a validator checks the
// whole text). The tone chooser takes any text; the page's tone rule decides on it.
// Enter and Esc end the editing by giving the focus to the parent widget; the key
// is consumed there, so a dialog around the page neither closes nor presses its
// default button.

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class AppFiles;

// What the number entries share: digits and one decimal point; Esc puts the saved
// text back, and Enter or Esc end the editing.
class CNumberEntry : public QLineEdit {
  Q_OBJECT

 public:
  QString SavedText() const { return savedText_; }

 signals:
  void focusLost();

 protected:
  explicit CNumberEntry(QWidget* parent);
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

  QString savedText_;
};

// Two-tone frequency in tenths of a hertz; 0xFFFF is no tone. Used both as a plain
// field and as an in-cell editor, so it starts visible.
class C2ToneEdit : public CNumberEntry {
  Q_OBJECT

 public:
  explicit C2ToneEdit(QWidget* parent = nullptr);
  // Shows the value; it is also the text Esc puts back, so Esc never empties the field.
  void SetToneValue(std::uint16_t value);
  // nullopt for a text the field cannot hold (entry::TwoToneValue).
  std::optional<std::uint16_t> GetToneValue() const;
  // The page has set the text from the stored value; Esc later restores that text.
  void OpenOverCell(const QRect& rect);
};

// Frequency entry; the channel page converts the text. Like the other in-cell
// editors it starts hidden and disabled until the page opens it over a cell.
class CFreqEdit : public CNumberEntry {
  Q_OBJECT

 public:
  explicit CFreqEdit(QWidget* parent = nullptr);
  void OpenOverCell(const QRect& rect, const QString& text);
};

// DTMF digit string, stored as 16 digit codes. Typed or pasted a-d appear as A-D.
class CDTMFEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CDTMFEdit(QWidget* parent = nullptr);
  void SetCode(std::span<const std::uint8_t, 16> code);
  void GetCode(std::span<std::uint8_t, 16> code) const;

 signals:
  // The user typed a change and then left the field (Return, the focus going elsewhere,
  // the page switched away): the text is to be stored. Passing through the field without
  // typing sends nothing, so a stored code that the text cannot show exactly stays.
  void codeEdited();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void FinishEditing();
};

// What the two in-cell combo boxes share: Esc shows the saved text again, Enter or
// Esc end the editing. Both start hidden and disabled.
class CInCellComboBox : public QComboBox {
  Q_OBJECT

 public:
  QString SavedText() const { return savedText_; }

 signals:
  void focusLost();

 protected:
  explicit CInCellComboBox(QWidget* parent);
  // Shows `text` as the box's choice.
  virtual void ShowText(const QString& text) = 0;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

  QString savedText_;
};

// Option list opened over a cell, preselected by the cell's text: the entry equal to
// it (ignoring case), else the first entry beginning with it, else none.
class CAddBox : public CInCellComboBox {
  Q_OBJECT

 public:
  explicit CAddBox(QWidget* parent = nullptr);
  void OpenOverCell(const QRect& rect, const QString& text);

 protected:
  void ShowText(const QString& text) override;
};

// CTCSS and DCS code chooser with an edit field, filled from the built-in tables.
// The edit field keeps exactly what is typed (no completion).
class CCodeBox : public CInCellComboBox {
  Q_OBJECT

 public:
  explicit CCodeBox(QWidget* parent = nullptr);
  // The "none" text and the tables that "ctcdcs" of the settings file selects.
  void FillCodes(const AppFiles& files);
  void OpenOverCell(const QRect& rect, const QString& text);

 protected:
  void ShowText(const QString& text) override;

 private:
  std::vector<std::string> shownCodes_;  // the entries the list holds
};

// The embedded message: lines of text within the radio's byte limit. Return starts a
// line, Tab moves on; an edit that would pass the limit (typed or pasted) is undone
// as a whole. A message shown from the image may be longer (a radio holds up to 63
// bytes): it shows in full, and may be shortened but not lengthened.
class CMessageEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CMessageEdit(QWidget* parent = nullptr);
  // Shows a stored message (set only when it differs, so that the cursor stays).
  void ShowMessage(const QString& text);
  // The text as typed, line breaks "\n". Not toPlainText(), which turns a no-break space
  // into a space: a byte of the message would change by passing through the edit.
  QString MessageText() const;
  // Whether the text differs from the one last shown: the user has changed it.
  bool IsEdited() const { return MessageText() != shown_; }

 signals:
  void focusLost();

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Undoes a change that the message cannot store: beyond its byte limit, or a character
  // outside its code page (typed, pasted or from an input method alike).
  void KeepStorable();
  QString accepted_;  // the last text the message can store
  QString shown_;     // the text last shown
};
