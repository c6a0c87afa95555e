#include "pages/dlg_tone.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QHideEvent>
#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

#include "radio/document.h"
#include "radio/entry_codecs.h"
#include "radio/signalling_page.h"
#include "settings/app_files.h"
#include "ui/entry_controls.h"
#include "ui/grid_ctrl.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/up_down.h"

namespace {

namespace sp = signalling_page;
namespace id = signalling_page::id;

constexpr std::array<int, CDlgTone::kColumns> kColumnWidths{40, 118, 118};
constexpr int kHeaderHeight = 30;
constexpr int kRowHeight = 16;
constexpr int kDecodeGroupId = 1352;
constexpr unsigned kHeadingFormat = grid_format::kCenter | grid_format::kWordBreak;
constexpr unsigned kCellFormat = grid_format::kCenter | grid_format::kVCenter | grid_format::kSingleLine;

bool IsToneColumn(int column) { return column == 1 || column == 2; }
bool IsCodeRow(int row) { return row >= 1 && row <= sp::kCodeCount; }

}  // namespace

// ---------------------------------------------------------------- set tab strip

CSetTabStrip::CSetTabStrip(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  // A click on a tab takes the focus, so that an entry being typed into commits to the
  // set it showed before the set changes.
  bar_->setFocusPolicy(Qt::StrongFocus);
  connect(bar_, &QTabBar::currentChanged, this, qOverload<>(&QWidget::update));
}

void CSetTabStrip::ShowTexts(const QStringList& texts) {
  for (int index = 0; index < texts.size(); ++index) {
    if (index >= bar_->count()) {
      bar_->addTab(texts[index]);
    } else if (bar_->tabText(index) != texts[index]) {
      bar_->setTabText(index, texts[index]);
    }
  }
  LayOutBar();
}

void CSetTabStrip::LayOutBar() { bar_->setGeometry(0, 0, width(), bar_->sizeHint().height()); }

void CSetTabStrip::resizeEvent(QResizeEvent* event) {
  LayOutBar();
  QWidget::resizeEvent(event);
}

void CSetTabStrip::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame pane;
  pane.initFrom(this);
  const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
  const int top = bar_->height() - overlap;
  pane.rect = QRect(0, top, width(), height() - top);
  pane.shape = bar_->shape();
  pane.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  pane.tabBarSize = bar_->sizeHint();
  pane.tabBarRect = QRect(QPoint(0, 0), bar_->sizeHint());
  pane.selectedTabRect = bar_->tabRect(bar_->currentIndex());
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, pane);
}

// ---------------------------------------------------------------- page

CDlgTone::CDlgTone(const PageContext& context, QWidget* parent)
    : CPage(dialog_id::kSignallingPage, context, parent, [](const ControlTemplate& entry, QWidget* parent) -> QWidget* {
        if (entry.id == id::kSetTabs) return new CSetTabStrip(parent);
        return CreatePageControl(entry, parent);
      }) {
  grid_ = ControlAs<CGridCtrl>(id::kCodeGrid);
  codeEntry_ = ControlAs<C2ToneEdit>(id::kCodeEntry);
  strip_ = ControlAs<CSetTabStrip>(id::kSetTabs);
  for (std::size_t index = 0; index < toneEntries_.size(); ++index) {
    toneEntries_[index] = ControlAs<C2ToneEdit>(sp::kToneEntryIds[index]);
  }
  // The strip lies under the set fields and their groups, and over the Decode group box,
  // which would otherwise take the clicks on the tabs.
  strip_->lower();
  ControlById(kDecodeGroupId)->lower();

  connect(grid_, &CGridCtrl::beginEdit, this, &CDlgTone::OnBeginEdit);
  connect(codeEntry_, &C2ToneEdit::focusLost, this, &CDlgTone::OnCodeEntryLeft);
  connect(&strip_->Bar(), &QTabBar::currentChanged, this, &CDlgTone::OnSetChanged);
  for (C2ToneEdit* entry : toneEntries_) {
    connect(entry, &C2ToneEdit::focusLost, this, [this, entry] { OnToneEntryLeft(entry); });
  }
  for (int listId : sp::kSetListIds) {
    connect(ControlAs<QComboBox>(listId), &QComboBox::activated, this,
            [this, listId](int index) { OnListActivated(listId, index); });
  }
  connect(ControlAs<QComboBox>(id::kSignalRelation), &QComboBox::activated, this,
          [this](int index) { OnListActivated(id::kSignalRelation, index); });
  for (int spinnerId : sp::kSpinnerIds) {
    connect(ControlAs<CUpDown>(spinnerId), &CUpDown::stepped, this, [this, spinnerId](int direction) {
      sp::StepDuration(Doc(), spinnerId, direction);
      ShowCommonFields();
    });
  }
  connect(ControlAs<QCheckBox>(id::kSideTone), &QCheckBox::clicked, this, [this](bool checked) {
    sp::StoreSideTone(Doc(), checked);
    ShowCommonFields();
  });
}

void CDlgTone::LoadControls() {
  const LanguageTexts texts = Files().Texts();
  ShowTabTexts(texts);
  ShowStates(sp::CommonState(Doc(), texts));
  ShowSetFields(texts);
  FillGrid(texts);
}

void CDlgTone::ShowTabTexts(const LanguageTexts& texts) {
  QStringList tabs;
  for (const std::string& text : sp::SetTabTexts(texts)) tabs.append(ToQString(text));
  const QSignalBlocker blocker(&strip_->Bar());
  strip_->ShowTexts(tabs);
  strip_->Bar().setCurrentIndex(currentSet_);
}

void CDlgTone::ShowSetFields(const LanguageTexts& texts) {
  const int set = currentSet_ + 1;
  ShowStates(sp::SetState(Doc(), texts, set));
  // Esc in a tone entry puts the stored value back, never an empty text.
  for (C2ToneEdit* entry : toneEntries_) {
    const std::uint16_t value = sp::SetTone(Doc(), set, ControlId(entry));
    const QString shown = ToQString(entry::TwoToneText(value));
    if (entry->text() != shown || entry->SavedText() != shown) entry->SetToneValue(value);
  }
}

void CDlgTone::ShowSetFields() { ShowSetFields(Files().Texts()); }

void CDlgTone::ShowCommonFields() { ShowStates(sp::CommonState(Doc(), Files())); }

void CDlgTone::FillGrid(const LanguageTexts& texts) {
  grid_->SetRedraw(false);
  if (grid_->GetRowCount() != kRows) {
    grid_->SetRowCount(kRows);
    grid_->SetColumnCount(kColumns);
    grid_->SetFixedRowCount(1);
    grid_->SetFixedColumnCount(1);
    grid_->EnableColumnResize(false);
    grid_->EnableRowResize(false);
    grid_->EnableSelection(false);
    grid_->ClearSelectionAndFocus();
    // The sizes suit the classic dialog font; the grid uses the page's font.
    const DialogUnits units(font());
    for (int column = 0; column < kColumns; ++column) {
      grid_->SetColumnWidth(column, units.ScaleDesignPixels(kColumnWidths[static_cast<std::size_t>(column)], 0).width());
    }
    grid_->SetRowHeight(0, units.ScaleDesignPixels(0, kHeaderHeight).height());
    for (int row = 1; row < kRows; ++row) grid_->SetRowHeight(row, units.ScaleDesignPixels(0, kRowHeight).height());
  }
  const std::array<std::string, kColumns> headers = sp::CodeHeaderTexts(texts);
  for (int column = 0; column < kColumns; ++column) {
    grid_->SetItem(0, column, grid_mask::kText | grid_mask::kFormat, kHeadingFormat,
                   ToQString(headers[static_cast<std::size_t>(column)]));
  }
  for (int code = 1; code < kRows; ++code) {
    grid_->SetItem(code, 0, grid_mask::kText | grid_mask::kFormat, kHeadingFormat, QString::number(code));
    ShowCodeRow(code);
  }
  grid_->SetRedraw(true);
  grid_->ResetScrollBars();
  grid_->viewport()->update();
}

void CDlgTone::ShowCodeRow(int code) {
  // No entry stays open over a row shown afresh: its cell may now hold another value.
  CloseCodeEntry();
  for (int column = 1; column < kColumns; ++column) {
    grid_->SetItemState(code, column, grid_->GetItemState(code, column) & ~grid_state::kReadOnly);
    grid_->SetItemFgColour(code, column);
    grid_->SetItem(code, column, grid_mask::kText | grid_mask::kFormat, kCellFormat,
                   ToQString(Doc().TwoToneText(code, column == 2)));
  }
  grid_->RedrawRow(code);
}

void CDlgTone::OnSetChanged(int index) {
  if (index < 0 || index == currentSet_) return;
  // A tone being typed into belongs to the set it was typed for, whichever way the set
  // changed (a click, the arrow keys on the tabs, the mouse wheel over them).
  for (C2ToneEdit* entry : toneEntries_) {
    if (entry->hasFocus()) StoreSetEntry(entry, currentSet_ + 1);
  }
  currentSet_ = index;
  ShowSetFields();
}

void CDlgTone::OnListActivated(int listId, int index) {
  sp::StoreListPick(Doc(), currentSet_ + 1, listId, index);
  // Only the list itself is shown again: a tone being typed into keeps its text.
  page_state::Controls states = listId == id::kSignalRelation ? sp::CommonState(Doc(), Files())
                                                              : sp::SetState(Doc(), Files(), currentSet_ + 1);
  std::erase_if(states, [listId](const page_state::Control& state) { return state.id != listId; });
  ShowStates(states);
}

void CDlgTone::StoreSetEntry(C2ToneEdit* entry, int set) {
  const std::string text = ToStdString(entry->text());
  if (!sp::StoreSetTone(Doc(), set, ControlId(entry), text)) ShowTwoToneRefused(sp::SetToneKey(set, ControlId(entry)), text);
}

void CDlgTone::ShowTwoToneRefused(const std::string& key, const std::string& text) {
  ShowMessageBox(this, MessageBoxCall{"IDS_TWOTONE_REFUSED", sp::TwoToneRefusedMessage(Files().Texts(), key, text),
                                      Files().GetText("IDS_ERROR"), PromptIcon::Error, PromptButtons::Ok});
}

void CDlgTone::OnToneEntryLeft(C2ToneEdit* entry) {
  StoreSetEntry(entry, currentSet_ + 1);
  returnFocus_ = entry;
  // The entry shows the stored value: "400" becomes "400.0", a refused text the value kept.
  ShowSetFields();
}

void CDlgTone::OnBeginEdit(const GridBeginEdit& request) {
  // A refused tone keeps its entry open until the user corrects or cancels it.
  if (!codeEntry_->isHidden()) {
    codeEntry_->setFocus();
    return;
  }
  editRow_ = request.row;
  editColumn_ = request.column;
  if (!IsCodeRow(editRow_) || !IsToneColumn(editColumn_)) return;
  grid_->SetExternalEditor(true);
  const QRect rect(mapFromGlobal(request.screenRect.topLeft()), request.screenRect.size());
  codeEntry_->SetToneValue(sp::CodeTone(Doc(), editRow_, editColumn_));
  codeEntry_->OpenOverCell(rect);
  codeEntry_->raise();
}

void CDlgTone::OnCodeEntryLeft() {
  if (codeEntry_->isHidden() || !IsCodeRow(editRow_) || !IsToneColumn(editColumn_)) return;
  const std::string text = ToStdString(codeEntry_->text());
  if (!sp::StoreCodeTone(Doc(), editRow_, editColumn_, text)) {
    // The cell keeps its value; the entry stays open with the text to be corrected.
    ShowTwoToneRefused(sp::CodeToneKey(editRow_, editColumn_), text);
    codeEntry_->setFocus();
    return;
  }
  CloseCodeEntry();
  returnFocus_ = grid_;
  ShowCodeRow(editRow_);
}

void CDlgTone::CloseCodeEntry() {
  if (codeEntry_->isHidden()) return;
  const bool hadFocus = codeEntry_->hasFocus();
  // Hidden first, so that the focus moving on cannot commit the same edit twice.
  codeEntry_->hide();
  codeEntry_->setEnabled(false);
  grid_->SetExternalEditor(false);
  if (hadFocus) grid_->setFocus();
}

void CDlgTone::CommitEntries() {
  OnCodeEntryLeft();
  for (C2ToneEdit* entry : toneEntries_) {
    if (entry->hasFocus()) OnToneEntryLeft(entry);
  }
}

void CDlgTone::hideEvent(QHideEvent* event) {
  // A tab switch of the view hides the page while an entry may still have the focus: its
  // text is committed as leaving it commits it. A window minimised or closing hides its
  // pages too: that is no leave (closing has committed already).
  if (!event->spontaneous() && window()->isVisible()) CommitEntries();
  CPage::hideEvent(event);
}

void CDlgTone::focusInEvent(QFocusEvent* event) {
  CPage::focusInEvent(event);
  // An entry ended with Enter or Esc gives the focus to the page: the user goes on where
  // the entry was (the grid for a code cell).
  if (returnFocus_ != nullptr && returnFocus_->isVisible() && returnFocus_->isEnabled()) returnFocus_->setFocus();
}
