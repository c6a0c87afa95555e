#include "ui/grid_ctrl.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kDefaultColumnWidth = 64;
constexpr int kTextMarginX = 3;   // between the cell edges and its text
constexpr int kTextMarginY = 1;
constexpr int kDividerSlop = 3;   // how far from a divider the pointer may be to grab it
constexpr int kMinDraggedSize = 4;  // a drag never makes a column or row vanish

int TextFlags(unsigned format) {
  int flags = 0;
  if (format & grid_format::kCenter) {
    flags |= Qt::AlignHCenter;
  } else if (format & grid_format::kRight) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  if (format & grid_format::kVCenter) {
    flags |= Qt::AlignVCenter;
  } else if (format & grid_format::kBottom) {
    flags |= Qt::AlignBottom;
  } else {
    flags |= Qt::AlignTop;
  }
  if (format & grid_format::kSingleLine) {
    flags |= Qt::TextSingleLine;
  } else if (format & grid_format::kWordBreak) {
    flags |= Qt::TextWordWrap;
  }
  return flags;
}

int Sum(const std::vector<int>& sizes, int first, int end) {
  int sum = 0;
  for (int i = first; i < end; ++i) sum += sizes[static_cast<size_t>(i)];
  return sum;
}

}  // namespace

// Rows or columns as laid out along one direction of the viewport: the fixed ones
// first, then the others starting `offset` lines into them (the scroll position).
// Scrolling is by whole lines, so no line is ever half hidden under the fixed ones.
struct CGridCtrl::Axis {
  const std::vector<int>& sizes;
  int fixed;
  int offset;

  int Count() const { return static_cast<int>(sizes.size()); }
  int Size(int index) const { return sizes[static_cast<size_t>(index)]; }
  int FixedExtent() const { return Sum(sizes, 0, fixed); }
  int FirstScrolled() const { return fixed + offset; }

  // Where the line starts in the viewport; nothing when it is scrolled out at the start.
  std::optional<int> Start(int index) const {
    if (index < fixed) return Sum(sizes, 0, index);
    if (index < FirstScrolled()) return std::nullopt;
    return FixedExtent() + Sum(sizes, FirstScrolled(), index);
  }

  // The lines in the order they are shown: the fixed ones, then the scrolled ones
  // from the first in view. -1 after the last.
  int NextShown(int index) const {
    const int next = index + 1 == fixed ? FirstScrolled() : index + 1;
    return next < Count() ? next : -1;
  }
  int FirstShown() const { return NextShown(-1); }

  // The line under a viewport coordinate, -1 for none.
  int IndexAt(int coordinate) const {
    if (coordinate < 0) return -1;
    int end = 0;
    for (int i = FirstShown(); i >= 0; i = NextShown(i)) {
      end += Size(i);
      if (coordinate < end) return i;
    }
    return -1;
  }

  // The lines that reach into a viewport of the given extent, with their starts.
  std::vector<std::pair<int, int>> Visible(int extent) const {
    std::vector<std::pair<int, int>> lines;
    int start = 0;
    for (int i = FirstShown(); i >= 0 && start < extent; i = NextShown(i)) {
      lines.emplace_back(i, start);
      start += Size(i);
    }
    return lines;
  }

  // The largest useful offset: the one that shows the last lines, or at least the last one.
  int MaxOffset(int extent) const {
    const int available = extent - FixedExtent();
    int first = Count();
    int used = 0;
    while (first > fixed && used + Size(first - 1) <= available) used += Size(--first);
    return std::max(0, std::min(first, Count() - 1) - fixed);
  }

  // The offset that shows the line completely, moving as little as possible.
  int OffsetShowing(int index, int extent) const {
    if (index < fixed) return offset;
    if (index < FirstScrolled()) return index - fixed;
    const int available = extent - FixedExtent();
    int first = FirstScrolled();
    int used = Sum(sizes, first, index + 1);
    while (used > available && first < index) used -= Size(first++);
    return first - fixed;
  }

  // How many scrolled lines fit completely from the current offset (at least one).
  int FullyVisibleCount(int extent) const {
    int available = extent - FixedExtent();
    int count = 0;
    for (int i = FirstScrolled(); i < Count() && Size(i) <= available; ++i, ++count) available -= Size(i);
    return std::max(1, count);
  }
};

CGridCtrl::CGridCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
  defaultCellFont_ = font();
  defaultRowHeight_ = QFontMetrics(defaultCellFont_).height() + 2 * kTextMarginY + 4;
  defaultColumnWidth_ = kDefaultColumnWidth;
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);  // for the pointer shape over dividers
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(1);
  ResetScrollBars();
}

CGridCtrl::Axis CGridCtrl::RowAxis() const {
  return Axis{rowHeights_, fixedRows_, verticalScrollBar()->value()};
}

CGridCtrl::Axis CGridCtrl::ColumnAxis() const {
  return Axis{columnWidths_, fixedColumns_, horizontalScrollBar()->value()};
}

QSize CGridCtrl::sizeHint() const {
  const int frame = 2 * frameWidth();
  return QSize(GetVirtualWidth() + frame, Sum(rowHeights_, 0, rows_) + frame);
}

// ---- Table size ----

CGridCell CGridCtrl::NewCell(int row, int column) const {
  CGridCell cell;
  cell.font = defaultCellFont_;
  if (row >= 1 && column >= 1) cell.format = cells_[static_cast<size_t>(row - 1)][static_cast<size_t>(column)].format;
  return cell;
}

bool CGridCtrl::SetRowCount(int rows) {
  if (rows < 0) return false;
  cells_.resize(static_cast<size_t>(std::min(rows, rows_)));
  for (int row = rows_; row < rows; ++row) {
    std::vector<CGridCell> cells;
    cells.reserve(static_cast<size_t>(columns_));
    cells_.push_back(std::move(cells));
    for (int column = 0; column < columns_; ++column) cells_.back().push_back(NewCell(row, column));
  }
  rowHeights_.resize(static_cast<size_t>(rows), defaultRowHeight_);
  rows_ = rows;
  fixedRows_ = std::min(fixedRows_, rows);
  if (focusRow_ >= rows) focusRow_ = focusColumn_ = -1;
  ResetScrollBars();
  Repaint();
  return true;
}

bool CGridCtrl::SetColumnCount(int columns) {
  if (columns < 0) return false;
  for (int row = 0; row < rows_; ++row) {
    auto& cells = cells_[static_cast<size_t>(row)];
    cells.resize(static_cast<size_t>(std::min(columns, columns_)));
    for (int column = columns_; column < columns; ++column) cells.push_back(NewCell(row, column));
  }
  columnWidths_.resize(static_cast<size_t>(columns), defaultColumnWidth_);
  columns_ = columns;
  fixedColumns_ = std::min(fixedColumns_, columns);
  if (focusColumn_ >= columns) focusRow_ = focusColumn_ = -1;
  ResetScrollBars();
  Repaint();
  return true;
}

int CGridCtrl::GetRowCount() const { return rows_; }
int CGridCtrl::GetColumnCount() const { return columns_; }

bool CGridCtrl::SetFixedRowCount(int rows) {
  if (rows < 0 || (rows > rows_ && !SetRowCount(rows))) return false;
  fixedRows_ = rows;
  if (focusRow_ >= 0 && focusRow_ < rows) focusRow_ = focusColumn_ = -1;
  ResetScrollBars();
  Repaint();
  return true;
}

bool CGridCtrl::SetFixedColumnCount(int columns) {
  if (columns < 0 || (columns > columns_ && !SetColumnCount(columns))) return false;
  fixedColumns_ = columns;
  if (focusColumn_ >= 0 && focusColumn_ < columns) focusRow_ = focusColumn_ = -1;
  ResetScrollBars();
  Repaint();
  return true;
}

int CGridCtrl::GetFixedRowCount() const { return fixedRows_; }
int CGridCtrl::GetFixedColumnCount() const { return fixedColumns_; }

bool CGridCtrl::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= columns_ || width < 0) return false;
  columnWidths_[static_cast<size_t>(column)] = width;
  ResetScrollBars();
  Repaint();
  return true;
}

bool CGridCtrl::SetRowHeight(int row, int height) {
  if (row < 0 || row >= rows_ || height < 0) return false;
  rowHeights_[static_cast<size_t>(row)] = height;
  ResetScrollBars();
  Repaint();
  return true;
}

int CGridCtrl::GetColumnWidth(int column) const {
  return column >= 0 && column < columns_ ? columnWidths_[static_cast<size_t>(column)] : 0;
}

int CGridCtrl::GetRowHeight(int row) const {
  return row >= 0 && row < rows_ ? rowHeights_[static_cast<size_t>(row)] : 0;
}

// ---- Switches ----

void CGridCtrl::EnableColumnResize(bool enable) {
  columnResize_ = enable;
  if (!enable) viewport()->unsetCursor();
}

void CGridCtrl::EnableRowResize(bool enable) {
  rowResize_ = enable;
  if (!enable) viewport()->unsetCursor();
}

void CGridCtrl::EnableSelection(bool enable) {
  selection_ = enable;
  Repaint();
}

void CGridCtrl::SetEditable(bool editable) { editable_ = editable; }
bool CGridCtrl::IsEditable() const { return editable_; }

// ---- Focus cell and selection ----

void CGridCtrl::EnableClipboard(bool enable) { clipboard_ = enable; }

void CGridCtrl::SetFocusCell(int row, int column) {
  const bool none = row == -1 && column == -1;
  if (!none && !IsInTable(row, column)) return;
  SetSelectedRange(row, column, row, column);
}

void CGridCtrl::SetSelectedRange(int anchorRow, int anchorColumn, int focusRow, int focusColumn) {
  const bool none = focusRow == -1 && focusColumn == -1;
  if (!none && (!IsInTable(focusRow, focusColumn) || !IsInTable(anchorRow, anchorColumn))) return;
  focusRow_ = focusRow;
  focusColumn_ = focusColumn;
  anchorRow_ = anchorRow;
  anchorColumn_ = anchorColumn;
  const GridRange range = SelectedRange();
  for (int row = 0; row < rows_; ++row) {
    for (int column = 0; column < columns_; ++column) {
      unsigned& state = cells_[static_cast<size_t>(row)][static_cast<size_t>(column)].state;
      state &= ~(grid_state::kFocused | grid_state::kSelected);
      if (range.Contains(row, column)) state |= grid_state::kSelected;
    }
  }
  if (!none) cells_[static_cast<size_t>(focusRow_)][static_cast<size_t>(focusColumn_)].state |= grid_state::kFocused;
  Repaint();
}

int CGridCtrl::FocusRow() const { return focusRow_; }
int CGridCtrl::FocusColumn() const { return focusColumn_; }
void CGridCtrl::ClearSelectionAndFocus() { SetFocusCell(-1, -1); }

GridRange CGridCtrl::SelectedRange() const {
  if (!IsInTable(focusRow_, focusColumn_)) return {};
  const bool ranged = selection_ && IsInTable(anchorRow_, anchorColumn_);
  const int row = ranged ? anchorRow_ : focusRow_;
  const int column = ranged ? anchorColumn_ : focusColumn_;
  return GridRange{std::min(row, focusRow_), std::min(column, focusColumn_), std::max(row, focusRow_),
                   std::max(column, focusColumn_)};
}

QString CGridCtrl::SelectedText() const {
  const GridRange range = SelectedRange();
  QStringList rows;
  for (int row = range.top; !range.IsEmpty() && row <= range.bottom; ++row) {
    QStringList cells;
    for (int column = range.left; column <= range.right; ++column) cells.append(GetItemText(row, column));
    rows.append(cells.join(QLatin1Char('\t')));
  }
  return rows.join(QLatin1Char('\n'));
}

bool CGridCtrl::IsInTable(int row, int column) const {
  return row >= 0 && row < rows_ && column >= 0 && column < columns_;
}

bool CGridCtrl::IsFixedCell(int row, int column) const { return row < fixedRows_ || column < fixedColumns_; }

bool CGridCtrl::HasScrollableCells() const { return rows_ > fixedRows_ && columns_ > fixedColumns_; }

void CGridCtrl::MoveFocusTo(int row, int column, bool extend) {
  if (!HasScrollableCells()) return;
  row = std::clamp(row, fixedRows_, LastRow());
  column = std::clamp(column, fixedColumns_, LastColumn());
  if (extend && selection_ && IsInTable(focusRow_, focusColumn_) && !IsFixedCell(focusRow_, focusColumn_)) {
    const bool anchored = IsInTable(anchorRow_, anchorColumn_) && !IsFixedCell(anchorRow_, anchorColumn_);
    SetSelectedRange(anchored ? anchorRow_ : focusRow_, anchored ? anchorColumn_ : focusColumn_, row, column);
  } else {
    SetFocusCell(row, column);
  }
  EnsureVisible(row, column);
}

void CGridCtrl::SelectHeading(int row, int column, bool extend) {
  if (!HasScrollableCells()) return;
  const bool anchored = extend && IsInTable(anchorRow_, anchorColumn_) && !IsFixedCell(anchorRow_, anchorColumn_);
  const bool wholeRow = column < fixedColumns_;
  const bool wholeColumn = row < fixedRows_;
  if (wholeRow && wholeColumn) {
    SetSelectedRange(LastRow(), LastColumn(), fixedRows_, fixedColumns_);
  } else if (wholeRow) {
    SetSelectedRange(anchored ? anchorRow_ : row, LastColumn(), row, fixedColumns_);
  } else {
    SetSelectedRange(LastRow(), anchored ? anchorColumn_ : column, fixedRows_, column);
  }
  EnsureVisible(focusRow_, focusColumn_);
}

// ---- Cells ----

bool CGridCtrl::SetItem(int row, int column, unsigned mask, unsigned format, const QString& text) {
  if (!IsInTable(row, column)) return false;
  CGridCell& cell = cells_[static_cast<size_t>(row)][static_cast<size_t>(column)];
  if (mask & grid_mask::kText) cell.text = text;
  if (mask & grid_mask::kFormat) cell.format = format;
  Repaint(CellRect(row, column));
  return true;
}

bool CGridCtrl::SetItemText(int row, int column, const QString& text) {
  return SetItem(row, column, grid_mask::kText, 0, text);
}

QString CGridCtrl::GetItemText(int row, int column) const {
  const CGridCell* cell = GetCell(row, column);
  return cell ? cell->text : QString();
}

bool CGridCtrl::SetItemFormat(int row, int column, unsigned format) {
  return SetItem(row, column, grid_mask::kFormat, format, QString());
}

unsigned CGridCtrl::GetItemFormat(int row, int column) const {
  const CGridCell* cell = GetCell(row, column);
  return cell ? cell->format : 0;
}

bool CGridCtrl::SetItemState(int row, int column, unsigned state) {
  if (!IsInTable(row, column)) return false;
  cells_[static_cast<size_t>(row)][static_cast<size_t>(column)].state = state;
  Repaint(CellRect(row, column));
  return true;
}

unsigned CGridCtrl::GetItemState(int row, int column) const {
  const CGridCell* cell = GetCell(row, column);
  return cell ? cell->state : 0;
}

bool CGridCtrl::SetItemFgColour(int row, int column, const QColor& colour) {
  if (!IsInTable(row, column)) return false;
  cells_[static_cast<size_t>(row)][static_cast<size_t>(column)].textColour = colour;
  Repaint(CellRect(row, column));
  return true;
}

const CGridCell* CGridCtrl::GetCell(int row, int column) const {
  return IsInTable(row, column) ? &cells_[static_cast<size_t>(row)][static_cast<size_t>(column)] : nullptr;
}

// ---- Drawing switch and scrolling ----

void CGridCtrl::SetRedraw(bool allowDraw) {
  redraw_ = allowDraw;
  Repaint();
}

bool CGridCtrl::IsRedrawAllowed() const { return redraw_; }

void CGridCtrl::Repaint() {
  if (redraw_) viewport()->update();
}

void CGridCtrl::Repaint(const QRect& rect) {
  if (redraw_ && !rect.isEmpty()) viewport()->update(rect);
}

void CGridCtrl::RedrawRow(int row) {
  if (row < 0 || row >= rows_) return;
  if (const auto top = RowAxis().Start(row)) Repaint(QRect(0, *top, viewport()->width(), GetRowHeight(row)));
}

void CGridCtrl::ResetScrollBars() {
  const QSize area = viewport()->size();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, RowAxis().MaxOffset(area.height()));
  vertical->setPageStep(RowAxis().FullyVisibleCount(area.height()));
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, ColumnAxis().MaxOffset(area.width()));
  horizontal->setPageStep(ColumnAxis().FullyVisibleCount(area.width()));
}

void CGridCtrl::scrollContentsBy(int, int) { Repaint(); }

void CGridCtrl::EnsureVisible(int row, int column) {
  if (!IsInTable(row, column)) return;
  const QSize area = viewport()->size();
  verticalScrollBar()->setValue(RowAxis().OffsetShowing(row, area.height()));
  horizontalScrollBar()->setValue(ColumnAxis().OffsetShowing(column, area.width()));
}

int CGridCtrl::PageRowCount() const { return RowAxis().FullyVisibleCount(viewport()->height()); }

QRect CGridCtrl::CellRect(int row, int column) const {
  if (!IsInTable(row, column)) return QRect();
  const auto top = RowAxis().Start(row);
  const auto left = ColumnAxis().Start(column);
  if (!top || !left) return QRect();
  const QRect rect(*left, *top, GetColumnWidth(column), GetRowHeight(row));
  return rect.intersects(viewport()->rect()) ? rect : QRect();
}

std::optional<std::pair<int, int>> CGridCtrl::CellAt(QPoint point) const {
  const int row = RowAxis().IndexAt(point.y());
  const int column = ColumnAxis().IndexAt(point.x());
  if (row < 0 || column < 0) return std::nullopt;
  return std::make_pair(row, column);
}

// Columns are resized at their dividers in the fixed rows, rows at theirs in the
// fixed columns, as with the headings of a table.
std::optional<CGridCtrl::Divider> CGridCtrl::DividerAt(QPoint point) const {
  const auto nearestEdge = [](const Axis& axis, int extent, int coordinate) {
    int found = -1;
    for (const auto& [index, start] : axis.Visible(extent)) {
      // Later lines win, so that a line dragged down to nothing can be pulled open again.
      if (std::abs(coordinate - (start + axis.Size(index))) <= kDividerSlop) found = index;
    }
    return found;
  };
  if (columnResize_ && point.y() >= 0 && point.y() < RowAxis().FixedExtent()) {
    const int column = nearestEdge(ColumnAxis(), viewport()->width(), point.x());
    if (column >= 0) return Divider{DragKind::Column, column};
  }
  if (rowResize_ && point.x() >= 0 && point.x() < ColumnAxis().FixedExtent()) {
    const int row = nearestEdge(RowAxis(), viewport()->height(), point.y());
    if (row >= 0) return Divider{DragKind::Row, row};
  }
  return std::nullopt;
}

// ---- Editing ----

void CGridCtrl::SetExternalEditor(bool on) {
  externalEditor_ = on;
  if (!on) Repaint(editorRect_);
}

bool CGridCtrl::HasExternalEditor() const { return externalEditor_; }
QRect CGridCtrl::EditorRect() const { return editorRect_; }

void CGridCtrl::EditCell(int row, int column) {
  // Headings are labels, not data: they are never edited.
  if (!IsInTable(row, column) || IsFixedCell(row, column)) return;
  EnsureVisible(row, column);
  const CGridCell& cell = cells_[static_cast<size_t>(row)][static_cast<size_t>(column)];
  if (!editable_ || (cell.state & grid_state::kReadOnly)) return;
  const QRect rect = CellRect(row, column);
  if (rect.isEmpty()) return;
  editorRect_ = rect;

  GridBeginEdit request;
  request.controlId = property("controlId").toInt();
  request.row = row;
  request.column = column;
  request.cell = cell;
  request.screenRect = QRect(viewport()->mapToGlobal(rect.topLeft()), rect.size());
  emit beginEdit(request);
}

// ---- Painting and printing ----

void CGridCtrl::paintEvent(QPaintEvent* event) {
  QRegion region = event->region();
  if (externalEditor_) region -= editorRect_;
  if (region.isEmpty()) return;
  QPainter painter(viewport());
  painter.setClipRegion(region);

  const QRect area = viewport()->rect();
  const auto rows = RowAxis().Visible(area.height());
  const auto columns = ColumnAxis().Visible(area.width());
  for (const auto& [row, top] : rows) {
    for (const auto& [column, left] : columns) {
      const QRect rect(left, top, GetColumnWidth(column), GetRowHeight(row));
      if (region.intersects(rect)) DrawCell(painter, row, column, rect, DrawTarget::Screen);
    }
  }

  // The space right of and below the table.
  const int usedWidth = columns.empty() ? 0 : columns.back().second + GetColumnWidth(columns.back().first);
  const int usedHeight = rows.empty() ? 0 : rows.back().second + GetRowHeight(rows.back().first);
  const QRegion outside = region - QRect(0, 0, usedWidth, usedHeight);
  if (outside.isEmpty()) return;
  painter.setClipRegion(outside);
  painter.fillRect(area, palette().color(QPalette::Window));
}

int CGridCtrl::GetVirtualWidth() const { return Sum(columnWidths_, 0, columns_); }
int CGridCtrl::GetFixedRowHeight() const { return Sum(rowHeights_, 0, fixedRows_); }

void CGridCtrl::DrawFixedRows(QPainter& painter) const {
  int top = 0;
  for (int row = 0; row < fixedRows_; ++row) {
    DrawRowAt(painter, row, top);
    top += GetRowHeight(row);
  }
}

void CGridCtrl::DrawRow(QPainter& painter, int row) const {
  if (row >= 0 && row < rows_) DrawRowAt(painter, row, 0);
}

void CGridCtrl::DrawRowAt(QPainter& painter, int row, int top) const {
  int left = 0;
  for (int column = 0; column < columns_; ++column) {
    DrawCell(painter, row, column, QRect(left, top, GetColumnWidth(column), GetRowHeight(row)), DrawTarget::Print);
    left += GetColumnWidth(column);
  }
}

// One cell with its grid lines on its right and bottom edges. On the screen the
// selection and the focus cell are marked; a printout shows only the contents.
void CGridCtrl::DrawCell(QPainter& painter, int row, int column, const QRect& rect, DrawTarget target) const {
  if (rect.isEmpty()) return;
  const CGridCell& cell = cells_[static_cast<size_t>(row)][static_cast<size_t>(column)];
  const bool fixed = IsFixedCell(row, column);
  const bool onScreen = target == DrawTarget::Screen;
  // A single selected cell is the focus cell, which has its frame.
  const bool selected = onScreen && selection_ && !fixed && (cell.state & grid_state::kSelected) &&
                        SelectedRange().CellCount() > 1;
  const QPalette& colours = palette();

  QColor background = cell.background;
  if (!background.isValid()) background = colours.color(fixed ? QPalette::Button : QPalette::Base);
  QColor text = cell.textColour;
  if (!text.isValid()) text = colours.color(fixed ? QPalette::ButtonText : QPalette::Text);
  if (selected) {
    background = colours.color(QPalette::Highlight);
    text = colours.color(QPalette::HighlightedText);
  }

  painter.save();
  painter.fillRect(rect, background);
  painter.setPen(colours.color(QPalette::Mid));
  painter.drawLine(rect.topRight(), rect.bottomRight());
  painter.drawLine(rect.bottomLeft(), rect.bottomRight());

  QFont font = cell.font;
  // A printer resolves point sizes at its own resolution; keep the screen's pixel size so
  // that the text keeps its size relative to the cells.
  if (!onScreen) font.setPixelSize(QFontInfo(cell.font).pixelSize());
  painter.setFont(font);
  painter.setPen(text);
  const QRect textRect = rect.adjusted(kTextMarginX, kTextMarginY, -kTextMarginX - 1, -kTextMarginY - 1);
  painter.drawText(textRect, TextFlags(cell.format), cell.text);

  if (onScreen && row == focusRow_ && column == focusColumn_) {
    painter.setPen(colours.color(QPalette::Highlight));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -2, -2));
    painter.drawRect(rect.adjusted(1, 1, -3, -3));
  }
  painter.restore();
}

// ---- Mouse, keyboard, wheel ----

void CGridCtrl::mousePressEvent(QMouseEvent* event) {
  pressedOnCell_ = false;
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  event->accept();
  setFocus(Qt::MouseFocusReason);
  const QPoint point = event->position().toPoint();
  if (const auto divider = DividerAt(point)) {
    drag_ = *divider;
    const bool column = divider->kind == DragKind::Column;
    dragStartPosition_ = column ? point.x() : point.y();
    dragStartSize_ = column ? GetColumnWidth(divider->index) : GetRowHeight(divider->index);
    return;
  }
  const auto cell = CellAt(point);
  if (!cell) return;
  const auto [row, column] = *cell;
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  if (IsFixedCell(row, column)) {
    // A heading stands for its column or row: selects it, or without range selection goes
    // to the first cell below or beside it.
    if (selection_) {
      SelectHeading(row, column, extend);
    } else if (HasScrollableCells()) {
      SetFocusCell(std::max(row, fixedRows_), std::max(column, fixedColumns_));
    }
    return;
  }
  if (extend && selection_) {
    MoveFocusTo(row, column, true);
    return;
  }
  SetFocusCell(row, column);
  pressedOnCell_ = true;
  dragSelected_ = false;
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (drag_.kind != DragKind::None) {
    const bool column = drag_.kind == DragKind::Column;
    const int size = std::max(kMinDraggedSize, dragStartSize_ + (column ? point.x() : point.y()) - dragStartPosition_);
    if (column) {
      SetColumnWidth(drag_.index, size);
    } else {
      SetRowHeight(drag_.index, size);
    }
    event->accept();
    return;
  }
  if (pressedOnCell_ && selection_ && (event->buttons() & Qt::LeftButton)) {
    // Dragging from a cell selects the cells up to the one under the pointer.
    const auto cell = CellAt(point);
    if (cell && !IsFixedCell(cell->first, cell->second) &&
        (cell->first != focusRow_ || cell->second != focusColumn_)) {
      MoveFocusTo(cell->first, cell->second, true);
      dragSelected_ = true;
    }
    event->accept();
    return;
  }
  if (const auto divider = DividerAt(point)) {
    viewport()->setCursor(divider->kind == DragKind::Column ? Qt::SplitHCursor : Qt::SplitVCursor);
  } else {
    viewport()->unsetCursor();
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  if (drag_.kind != DragKind::None) {
    drag_ = Divider{};
    return;
  }
  if (pressedOnCell_) {
    pressedOnCell_ = false;
    if (!dragSelected_) EditCell(focusRow_, focusColumn_);
  }
}

void CGridCtrl::keyPressEvent(QKeyEvent* event) {
  const int row = focusRow_ < 0 ? fixedRows_ : focusRow_;
  const int column = focusColumn_ < 0 ? fixedColumns_ : focusColumn_;
  const bool hasFocusCell = focusRow_ >= 0;
  const bool control = event->modifiers() & Qt::ControlModifier;
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  if (HandleClipboardKey(*event)) {
    event->accept();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      EditCell(focusRow_, focusColumn_);
      break;
    // Without a focus cell the first key only shows where navigation starts.
    case Qt::Key_Up:
      MoveFocusTo(hasFocusCell ? row - 1 : row, column, extend);
      break;
    case Qt::Key_Down:
      MoveFocusTo(hasFocusCell ? row + 1 : row, column, extend);
      break;
    case Qt::Key_Left:
      MoveFocusTo(row, hasFocusCell ? column - 1 : column, extend);
      break;
    case Qt::Key_Right:
      MoveFocusTo(row, hasFocusCell ? column + 1 : column, extend);
      break;
    case Qt::Key_Home:
      MoveFocusTo(fixedRows_, column, extend);
      break;
    case Qt::Key_End:
      MoveFocusTo(LastRow(), column, extend);
      break;
    // Ctrl+PgUp and Ctrl+PgDown belong to the tabs around the grid: they switch pages.
    case Qt::Key_PageUp:
      if (control) {
        event->ignore();
        return;
      }
      MoveFocusTo(row - PageRowCount(), column, extend);
      break;
    case Qt::Key_PageDown:
      if (control) {
        event->ignore();
        return;
      }
      MoveFocusTo(row + PageRowCount(), column, extend);
      break;
    default:
      if (BeginEditByTyping(*event)) break;
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

bool CGridCtrl::IsClipboardKey(const QKeyEvent& event) {
  return event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Paste) ||
         (event.key() == Qt::Key_Delete && !(event.modifiers() & ~Qt::KeypadModifier));
}

bool CGridCtrl::HandleClipboardKey(const QKeyEvent& event) {
  if (!clipboard_ || !IsClipboardKey(event)) return false;
  if (event.matches(QKeySequence::Copy)) {
    if (!SelectedRange().IsEmpty()) QGuiApplication::clipboard()->setText(SelectedText());
  } else if (event.matches(QKeySequence::Paste)) {
    emit pasteRequested(QGuiApplication::clipboard()->text());
  } else {
    emit deleteRequested();
  }
  return true;
}

bool CGridCtrl::event(QEvent* event) {
  // The clipboard keys are the grid's while it has the focus, before any window shortcut.
  if (event->type() == QEvent::ShortcutOverride && clipboard_ && IsClipboardKey(*static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QAbstractScrollArea::event(event);
}

bool CGridCtrl::BeginEditByTyping(const QKeyEvent& event) {
  // Typed text: printable, with no modifier but Shift (or the keypad's). Ctrl and Alt
  // combinations are commands, not text.
  const QString text = event.text();
  if (text.isEmpty() || !text.front().isPrint()) return false;
  if (event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) return false;
  if (focusRow_ < 0 || focusColumn_ < 0) return false;
  EditCell(focusRow_, focusColumn_);
  // The page opened its editor over the cell and gave it the focus: the key is the first
  // one typed there, as it would be in the cell itself.
  QWidget* editor = window()->focusWidget();
  if (editor == nullptr || editor == this) return false;
  QKeyEvent typed(QEvent::KeyPress, event.key(), event.modifiers(), text, event.isAutoRepeat(), event.count());
  QCoreApplication::sendEvent(editor, &typed);
  return true;
}

// Tab and Shift+Tab walk through the cells, row by row; past the last or before the
// first cell the focus leaves the grid as usual.
bool CGridCtrl::focusNextPrevChild(bool next) {
  if (!hasFocus() || !HasScrollableCells()) return QAbstractScrollArea::focusNextPrevChild(next);
  if (focusRow_ < fixedRows_ || focusColumn_ < fixedColumns_) {
    MoveFocusTo(next ? fixedRows_ : LastRow(), next ? fixedColumns_ : LastColumn());
    return true;
  }
  int row = focusRow_;
  int column = focusColumn_ + (next ? 1 : -1);
  if (column > LastColumn()) {
    column = fixedColumns_;
    ++row;
  } else if (column < fixedColumns_) {
    column = LastColumn();
    --row;
  }
  if (row < fixedRows_ || row > LastRow()) return QAbstractScrollArea::focusNextPrevChild(next);
  MoveFocusTo(row, column);
  return true;
}

void CGridCtrl::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const bool sideways = std::abs(delta.x()) > std::abs(delta.y());
  int& remainder = sideways ? wheelRemainderX_ : wheelRemainderY_;
  remainder += sideways ? delta.x() : delta.y();
  const int notches = remainder / QWheelEvent::DefaultDeltasPerStep;
  remainder -= notches * QWheelEvent::DefaultDeltasPerStep;
  QScrollBar* bar = sideways ? horizontalScrollBar() : verticalScrollBar();
  bar->setValue(bar->value() - notches * QApplication::wheelScrollLines());
  event->accept();
}

void CGridCtrl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  ResetScrollBars();
}

void CGridCtrl::changeEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::FontChange:
      defaultCellFont_ = font();
      for (auto& cells : cells_) {
        for (auto& cell : cells) cell.font = defaultCellFont_;
      }
      Repaint();
      break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
      Repaint();
      break;
    default:
      break;
  }
  QAbstractScrollArea::changeEvent(event);
}
