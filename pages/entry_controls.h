#pragma once
// The five entry controls of the editing pages. Each fixes which characters can be
// typed, how long the text may be, how it opens over a grid cell and what Enter and
// Esc do. The in-cell editors emit focusLost when they lose the focus; the page
// commits their text then.

#include <QComboBox>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <cstdint>
#include <span>

class AppFiles;

// Two-tone frequency in tenths of a hertz; 0xFFFF is no tone.
class C2ToneEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit C2ToneEdit(QWidget* parent = nullptr);
  void SetToneValue(std::uint16_t value);
  std::uint16_t GetToneValue() const;
  // The page has set the text from the stored value; Esc later restores that text.
  void OpenOverCell(const QRect& rect);
  QString SavedText() const { return savedText_; }

 signals:
  void focusLost();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString savedText_;
};

// Frequency entry; the channel page converts the text.
class CFreqEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CFreqEdit(QWidget* parent = nullptr);
  void OpenOverCell(const QRect& rect, const QString& text);
  QString SavedText() const { return savedText_; }

 signals:
  void focusLost();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString savedText_;
};

// DTMF digit string, stored as 16 digit codes.
class CDTMFEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CDTMFEdit(QWidget* parent = nullptr);
  void SetCode(std::span<const std::uint8_t, 16> code);
  void GetCode(std::span<std::uint8_t, 16> code) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Option list opened over a cell, preselected by the cell's text.
class CAddBox : public QComboBox {
  Q_OBJECT

 public:
  explicit CAddBox(QWidget* parent = nullptr);
  void OpenOverCell(const QRect& rect, const QString& text);
  QString SavedText() const { return savedText_; }

 signals:
  void focusLost();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString savedText_;
};

// CTCSS and DCS code chooser with an edit field, filled from the built-in tables.
class CCodeBox : public QComboBox {
  Q_OBJECT

 public:
  explicit CCodeBox(QWidget* parent = nullptr);
  // The "none" text and the tables that "ctcdcs" of the settings file selects.
  void FillCodes(const AppFiles& files);
  void OpenOverCell(const QRect& rect, const QString& text);
  QString SavedText() const { return savedText_; }

 signals:
  void focusLost();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString savedText_;
};
