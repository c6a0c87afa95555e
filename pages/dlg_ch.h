#pragma once
// CDlgCh: the channel page. The radio model selector and a grid with one row per
// memory channel; a cell is edited with an in-cell editor that the page opens over
// it and commits when it loses the focus. Every accepted edit goes straight into
// the image. Cells can be copied as text, and text pasted, through the same rules.

#include <vector>

#include "pages/page.h"

class CAddBox;
class CCodeBox;
class CFreqEdit;
class CGridCtrl;
class QComboBox;
class QPainter;
struct GridBeginEdit;

class CDlgCh : public CPage {
  Q_OBJECT

 public:
  static constexpr int kGridId = 1030;
  static constexpr int kFrequencyEditId = 1105;
  static constexpr int kToneBoxId = 1239;
  static constexpr int kOptionBoxId = 1241;
  static constexpr int kModelSelectorId = 1237;
  static constexpr int kModelLabelId = 1300;
  static constexpr int kRows = 17;

  CDlgCh(const PageContext& context, QWidget* parent);

  CGridCtrl& Grid() const { return *grid_; }
  CFreqEdit& FrequencyEdit() const { return *frequencyEdit_; }
  CCodeBox& ToneBox() const { return *toneBox_; }
  CAddBox& OptionBox() const { return *optionBox_; }
  QComboBox& ModelSelector() const { return *modelSelector_; }

  // The grid rows that a printout lists: rows 1 to 50 with a receive frequency, in order.
  std::vector<int> UsedRows() const;
  // "<caption of the model selector> : <model chosen>".
  QString ModelLine() const;
  // Page 1 or 2 of the channel table from the painter's origin down, in the grid's screen
  // pixels: on page 1 the model line, then on both the header and the page's used rows.
  // The painter's font is the one the model line prints in.
  void PrintChannels(QPainter& painter, int page) const;

 signals:
  // The image was replaced as a whole (model change): every page reloads.
  void documentReplaced();

 protected:
  void LoadControls() override;
  void hideEvent(QHideEvent* event) override;

 private:
  void FillModelSelector();
  void SetUpGrid();
  // The row display rule: the in-cell editors close, then the row's texts, editability
  // and colours come from the image.
  void ShowRow(int channel);
  // Texts, editability and colours of one channel's row, from the image.
  void ShowRowTexts(int channel);
  void OnBeginEdit(const GridBeginEdit& request);
  void OnFrequencyEditDone();
  void OnToneEditDone();
  void OnOptionChosen(int index);
  void OnOptionBoxClosed();
  void OnModelSelected(int index);
  // Pastes tab-separated cell texts from the selection's first cell on, as typing them
  // would store them, after checking that every cell's editor could hold its text.
  void OnPaste(const QString& text);
  // Erases the channels of the selected rows.
  void OnDeleteChannels();
  void ShowRows(int first, int last);
  void CloseEditor(QWidget* editor);
  // Commits the editor open over a cell, as its losing the focus does.
  void CommitOpenEditor();
  // Closes every open editor without committing it; the grid takes the focus one had.
  void HideEditors();

  CGridCtrl* grid_ = nullptr;
  CFreqEdit* frequencyEdit_ = nullptr;
  CCodeBox* toneBox_ = nullptr;
  CAddBox* optionBox_ = nullptr;
  QComboBox* modelSelector_ = nullptr;
  int editRow_ = -1;
  int editColumn_ = -1;
  bool loading_ = false;
};
