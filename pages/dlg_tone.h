#pragma once
// CDlgTone: the two-tone signalling page. The encode timing and the sixteen signal
// codes (a grid whose tone cells are edited with a two-tone entry opened over the
// cell), and the four signal sets behind a tab strip. The set fields are one set of
// controls that always show, and write, the set whose tab is selected.

#include <QTabBar>
#include <array>
#include <string>

#include "pages/page.h"

class C2ToneEdit;
class CGridCtrl;
class LanguageTexts;
struct GridBeginEdit;

// The set tab strip: a tab bar above a framed pane. The page's set fields lie over the
// pane; they are the page's own controls, not pages of the strip.
class CSetTabStrip : public QWidget {
  Q_OBJECT

 public:
  explicit CSetTabStrip(QWidget* parent = nullptr);
  QTabBar& Bar() const { return *bar_; }
  // Adds the missing tabs and relabels the others; the current tab stays.
  void ShowTexts(const QStringList& texts);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOutBar();
  QTabBar* bar_;
};

class CDlgTone : public CPage {
  Q_OBJECT

 public:
  static constexpr int kRows = 17;
  static constexpr int kColumns = 3;

  CDlgTone(const PageContext& context, QWidget* parent);

  // The signal set the set fields show: 0 to 3.
  int CurrentSet() const { return currentSet_; }
  CGridCtrl& Grid() const { return *grid_; }
  C2ToneEdit& CodeEntry() const { return *codeEntry_; }
  QTabBar& SetTabs() const { return strip_->Bar(); }

 protected:
  void LoadControls() override;
  void hideEvent(QHideEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void ShowTabTexts(const LanguageTexts& texts);
  void ShowSetFields(const LanguageTexts& texts);
  void ShowSetFields();
  void ShowCommonFields();
  void FillGrid(const LanguageTexts& texts);
  // The code row display rule: the in-grid entry closes, the tones come from the image.
  void ShowCodeRow(int code);
  void OnSetChanged(int index);
  void OnListActivated(int listId, int index);
  void OnToneEntryLeft(C2ToneEdit* entry);
  // Stores a set entry's text into set 1 to 4; a text the field cannot hold is refused
  // with a message and nothing changes.
  void StoreSetEntry(C2ToneEdit* entry, int set);
  // The message for a refused two-tone text of the field with the dump's key `key`.
  void ShowTwoToneRefused(const std::string& key, const std::string& text);
  void OnBeginEdit(const GridBeginEdit& request);
  void OnCodeEntryLeft();
  void CloseCodeEntry();
  // Commits what an entry holds as its losing the focus would: the open in-grid entry,
  // and the set entry that has the focus.
  void CommitEntries();

  CGridCtrl* grid_ = nullptr;
  C2ToneEdit* codeEntry_ = nullptr;
  CSetTabStrip* strip_ = nullptr;
  std::array<C2ToneEdit*, 3> toneEntries_{};
  // Where the focus goes back to when an entry ended with Enter or Esc gives it to the page.
  QWidget* returnFocus_ = nullptr;
  int currentSet_ = 0;
  int editRow_ = -1;
  int editColumn_ = -1;
};
