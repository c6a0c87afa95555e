#include "pages/dlg_ch.h"

#include <QComboBox>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>
#include <initializer_list>

#include "pages/print_layout.h"
#include "radio/channel_table.h"
#include "radio/document.h"
#include "settings/app_files.h"
#include "ui/entry_controls.h"
#include "ui/grid_ctrl.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace {

namespace col = channel_table;

constexpr std::array<int, col::kColumnCount> kColumnWidths{36, 70, 57, 52, 69, 57, 52, 45, 45, 68, 48, 42, 55};
constexpr int kHeaderHeight = 30;
constexpr int kRowHeight = 21;
constexpr unsigned kHeadingFormat = grid_format::kCenter | grid_format::kWordBreak;
constexpr unsigned kCellFormat = grid_format::kCenter | grid_format::kVCenter | grid_format::kSingleLine;

bool IsFrequencyColumn(int column) { return column == col::kReceiveFrequency || column == col::kTransmitFrequency; }
bool IsToneColumn(int column) { return column == col::kReceiveTone || column == col::kTransmitTone; }

// An editor is open over a cell from the page opening it until its commit closes it,
// also while the page itself is hidden behind another tab.
bool IsOpen(const QWidget& editor) { return !editor.isHidden(); }

}  // namespace

CDlgCh::CDlgCh(const PageContext& context, QWidget* parent)
    : CPage(dialog_id::kChannelPage, context, parent, [](const ControlTemplate& entry, QWidget* parent) -> QWidget* {
        switch (entry.id) {
          case kGridId: return new CGridCtrl(parent);
          case kFrequencyEditId: return new CFreqEdit(parent);
          case kToneBoxId: return new CCodeBox(parent);
          case kOptionBoxId: return new CAddBox(parent);
          default: return nullptr;
        }
      }) {
  grid_ = Control<CGridCtrl>(this, kGridId);
  frequencyEdit_ = Control<CFreqEdit>(this, kFrequencyEditId);
  toneBox_ = Control<CCodeBox>(this, kToneBoxId);
  optionBox_ = Control<CAddBox>(this, kOptionBoxId);
  modelSelector_ = Control<QComboBox>(this, kModelSelectorId);
  // An editor ended with Enter or Esc gives the focus to the page, which hands it on to
  // the grid: the user goes on from the cell with the keyboard (arrows, typing, Enter).
  setFocusProxy(grid_);

  connect(grid_, &CGridCtrl::beginEdit, this, &CDlgCh::OnBeginEdit);
  connect(frequencyEdit_, &CFreqEdit::focusLost, this, &CDlgCh::OnFrequencyEditDone);
  connect(toneBox_, &CCodeBox::focusLost, this, &CDlgCh::OnToneEditDone);
  connect(optionBox_, &CAddBox::focusLost, this, &CDlgCh::OnOptionBoxClosed);
  connect(optionBox_, qOverload<int>(&QComboBox::activated), this, &CDlgCh::OnOptionChosen);
  connect(modelSelector_, qOverload<int>(&QComboBox::activated), this, &CDlgCh::OnModelSelected);
  connect(grid_, &CGridCtrl::pasteRequested, this, &CDlgCh::OnPaste);
  connect(grid_, &CGridCtrl::deleteRequested, this, &CDlgCh::OnDeleteChannels);
}

void CDlgCh::LoadControls() {
  loading_ = true;
  FillModelSelector();
  grid_->SetRedraw(false);
  SetUpGrid();
  const col::Row headers = col::HeaderTexts(Files());
  for (int column = 0; column < col::kColumnCount; ++column) {
    grid_->SetItem(0, column, grid_mask::kText | grid_mask::kFormat, kHeadingFormat,
                   ToQString(headers[static_cast<std::size_t>(column)]));
  }
  for (int channel = 1; channel < kRows; ++channel)
    grid_->SetItem(channel, 0, grid_mask::kText | grid_mask::kFormat, kHeadingFormat, QString::number(channel));
  ShowRows(1, kRows - 1);
  grid_->SetRedraw(true);
  grid_->ResetScrollBars();
  grid_->viewport()->update();
  toneBox_->FillCodes(Files());
  loading_ = false;
}

void CDlgCh::FillModelSelector() {
  const QSignalBlocker blocker(modelSelector_);
  ShowStates({col::ModelSelector(Doc(), Files())});
}

void CDlgCh::SetUpGrid() {
  if (grid_->GetRowCount() == kRows) return;
  grid_->SetRowCount(kRows);
  grid_->SetColumnCount(col::kColumnCount);
  grid_->SetFixedRowCount(1);
  grid_->SetFixedColumnCount(1);
  grid_->EnableColumnResize(false);
  grid_->EnableRowResize(false);
  grid_->EnableSelection(true);
  grid_->EnableClipboard(true);
  grid_->ClearSelectionAndFocus();
  // The widths suit the classic dialog font; the grid uses the page's font.
  const DialogUnits units(font());
  for (int column = 0; column < col::kColumnCount; ++column) {
    grid_->SetColumnWidth(column, units.ScaleDesignPixels(kColumnWidths[static_cast<std::size_t>(column)], 0).width());
  }
  grid_->SetRowHeight(0, units.ScaleDesignPixels(0, kHeaderHeight).height());
  for (int row = 1; row < kRows; ++row) grid_->SetRowHeight(row, units.ScaleDesignPixels(0, kRowHeight).height());
}

void CDlgCh::ShowRow(int channel) {
  // No editor stays open over rows shown afresh: its cell may now hold another value.
  HideEditors();
  ShowRowTexts(channel);
}

void CDlgCh::ShowRows(int first, int last) {
  for (int channel = first; channel <= last; ++channel) ShowRow(channel);
}

void CDlgCh::ShowRowTexts(int channel) {
  const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
  const col::Row texts = col::RowTexts(Doc(), channel);
  for (int column = 1; column < col::kColumnCount; ++column) {
    const bool editable = col::IsCellEditable(Doc(), channel, column);
    const unsigned state = grid_->GetItemState(channel, column);
    grid_->SetItemState(channel, column,
                        editable ? state & ~grid_state::kReadOnly : state | grid_state::kReadOnly);
    grid_->SetItemFgColour(channel, column, editable ? QColor() : grey);
    grid_->SetItem(channel, column, grid_mask::kText | grid_mask::kFormat, kCellFormat,
                   ToQString(texts[static_cast<std::size_t>(column)]));
  }
  grid_->RedrawRow(channel);
}

void CDlgCh::OnBeginEdit(const GridBeginEdit& request) {
  // A tone the rule refused keeps its editor open until the user corrects or cancels it.
  if (IsOpen(*toneBox_)) {
    toneBox_->setFocus();
    return;
  }
  editRow_ = request.row;
  editColumn_ = request.column;
  const QRect rect(mapFromGlobal(request.screenRect.topLeft()), request.screenRect.size());
  grid_->SetExternalEditor(true);
  if (IsFrequencyColumn(editColumn_)) {
    frequencyEdit_->OpenOverCell(rect, request.cell.text);
  } else if (IsToneColumn(editColumn_)) {
    toneBox_->OpenOverCell(rect, request.cell.text);
  } else {
    const QSignalBlocker blocker(optionBox_);
    optionBox_->clear();
    for (const std::string& choice : col::Choices(Files(), editColumn_)) optionBox_->addItem(ToQString(choice));
    optionBox_->OpenOverCell(rect, request.cell.text);
  }
  frequencyEdit_->raise();
  toneBox_->raise();
  optionBox_->raise();
}

void CDlgCh::OnFrequencyEditDone() {
  if (!IsOpen(*frequencyEdit_) || !IsFrequencyColumn(editColumn_)) return;
  CloseEditor(frequencyEdit_);
  col::StoreCellText(Doc(), Questions(), editRow_, editColumn_, ToStdString(frequencyEdit_->text()));
  ShowRow(editRow_);
}

void CDlgCh::OnToneEditDone() {
  if (!IsOpen(*toneBox_) || !IsToneColumn(editColumn_)) return;
  const std::string text = ToStdString(toneBox_->currentText());
  if (!col::AcceptsText(Files(), editColumn_, text)) {
    // Refused rather than stored as some other tone: the cell keeps its value, and the
    // editor stays open with the text so that the user can correct it (Esc restores it).
    ShowMessageBox(this, MessageBoxCall{"IDS_TONE_REFUSED", col::ToneRefusedMessage(Files(), editRow_, editColumn_, text),
                                        Files().GetText("IDS_ERROR"), PromptIcon::Error, PromptButtons::Ok});
    toneBox_->setFocus();
    return;
  }
  CloseEditor(toneBox_);
  col::StoreCellText(Doc(), Questions(), editRow_, editColumn_, text);
  ShowRow(editRow_);
}

void CDlgCh::OnOptionChosen(int index) {
  if (index < 0 || editRow_ < 1) return;
  col::StoreChoice(Doc(), editRow_, editColumn_, index);
  // The option box stays open until it loses the focus.
  ShowRowTexts(editRow_);
}

void CDlgCh::OnOptionBoxClosed() {
  if (!IsOpen(*optionBox_)) return;
  CloseEditor(optionBox_);
}

void CDlgCh::CommitOpenEditor() {
  OnFrequencyEditDone();
  OnToneEditDone();
  OnOptionBoxClosed();
}

void CDlgCh::HideEditors() {
  const bool hadFocus = frequencyEdit_->hasFocus() || toneBox_->hasFocus() || optionBox_->hasFocus();
  for (QWidget* editor : std::initializer_list<QWidget*>{frequencyEdit_, toneBox_, optionBox_}) {
    if (IsOpen(*editor)) CloseEditor(editor);
  }
  if (hadFocus) grid_->setFocus();
}

void CDlgCh::hideEvent(QHideEvent* event) {
  // A tab switch (Ctrl+Tab, Ctrl+PgDown, a click on a tab) hides the page while an editor
  // may still have the focus: the edit is committed as leaving the cell commits it, before
  // the focus moves on from a hidden editor. A window minimised or closing hides its pages
  // too: that is no leave (closing has committed already).
  if (!event->spontaneous() && window()->isVisible()) CommitOpenEditor();
  CPage::hideEvent(event);
}

void CDlgCh::CloseEditor(QWidget* editor) {
  // Hidden first, so that the focus moving on cannot commit the same edit twice.
  editor->hide();
  editor->setEnabled(false);
  grid_->SetExternalEditor(false);
}

void CDlgCh::OnModelSelected(int index) {
  if (loading_ || index == Doc().ModelIndex()) return;
  if (ShowMessageBox(this, Files(), {"IDS_CONFIRM_FREQ", "", "IDS_CONFIRM", PromptIcon::Exclamation,
                                     PromptButtons::OkCancel}) != PromptAnswer::Ok) {
    const QSignalBlocker blocker(modelSelector_);
    modelSelector_->setCurrentIndex(Doc().ModelIndex());
    return;
  }
  Doc().DeleteContents();
  Doc().ApplyModel(index);
  Doc().SetModifiedFlag();
  emit documentReplaced();
}

void CDlgCh::OnPaste(const QString& text) {
  const GridRange range = grid_->SelectedRange();
  col::CellBlock cells = col::ParseCellBlock(ToStdString(text));
  if (range.IsEmpty() || cells.empty()) return;
  // One value pasted over several selected cells goes into each of them.
  if (cells.size() == 1 && cells.front().size() == 1 && range.CellCount() > 1) {
    const std::vector<std::string> row(static_cast<std::size_t>(range.right - range.left + 1), cells.front().front());
    cells.assign(static_cast<std::size_t>(range.bottom - range.top + 1), row);
  }
  constexpr std::size_t kProblemsShown = 12;
  const std::vector<col::PasteProblem> problems = col::CheckPaste(Files(), range.top, range.left, cells);
  if (!problems.empty()) {
    ShowMessageBox(this, MessageBoxCall{"IDS_PASTE_REFUSED", col::PasteProblemsMessage(Files(), problems, kProblemsShown),
                                        Files().GetText("IDS_ERROR"), PromptIcon::Error, PromptButtons::Ok});
    return;
  }
  col::Paste(Doc(), Questions(), range.top, range.left, cells);
  ShowRows(range.top, std::min(kRows - 1, range.top + static_cast<int>(cells.size()) - 1));
}

void CDlgCh::OnDeleteChannels() {
  const GridRange range = grid_->SelectedRange();
  if (range.IsEmpty()) return;
  for (int channel = range.top; channel <= range.bottom; ++channel)
    col::StoreCellText(Doc(), Questions(), channel, col::kReceiveFrequency, "");
  ShowRows(range.top, range.bottom);
}

std::vector<int> CDlgCh::UsedRows() const {
  std::vector<int> rows;
  for (int row = 1; row <= print_layout::kLastPrintedRow; ++row) {
    if (!grid_->GetItemText(row, col::kReceiveFrequency).isEmpty()) rows.push_back(row);
  }
  return rows;
}

QString CDlgCh::ModelLine() const {
  const auto* label = ControlAs<QLabel>(kModelLabelId);
  return (label != nullptr ? label->text() : QString()) + QStringLiteral(" : ") + modelSelector_->currentText();
}

void CDlgCh::PrintChannels(QPainter& painter, int page) const {
  const int rowHeight = grid_->GetRowHeight(1);
  const int headerHeight = grid_->GetFixedRowHeight();
  painter.save();
  if (page == 1) {
    painter.translate(0, rowHeight);
    painter.drawText(QRect(0, 0, grid_->GetVirtualWidth(), headerHeight), Qt::AlignLeft | Qt::AlignTop, ModelLine());
    painter.translate(0, rowHeight);
  }
  grid_->DrawFixedRows(painter);
  const std::vector<int> rows = print_layout::RowsOnPage(UsedRows(), page);
  // The grid's cells draw their right and bottom edges; on paper the table is closed at
  // the top and the left too.
  painter.save();
  painter.setPen(grid_->palette().color(QPalette::Mid));
  const int bottom = headerHeight + static_cast<int>(rows.size()) * rowHeight - 1;
  painter.drawLine(0, 0, grid_->GetVirtualWidth() - 1, 0);
  painter.drawLine(0, 0, 0, bottom);
  painter.restore();
  painter.translate(0, headerHeight);
  for (std::size_t index = 0; index < rows.size(); ++index) {
    // Rows follow each other without the gaps of free channels.
    if (index > 0) painter.translate(0, rowHeight);
    grid_->DrawRow(painter, rows[index]);
  }
  painter.restore();
}
