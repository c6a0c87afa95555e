#pragma once
// CGridCtrl: the table widget of the channel and signalling pages. A grid of text
// cells with fixed heading rows and columns, scrolling and keyboard navigation. It
// edits nothing itself: when the user asks to edit a cell (a click, Enter, or a
// character typed into it) it emits beginEdit with the cell and its screen rectangle,
// and the page opens its own editor there; a typed character goes on to that editor.

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

class QKeyEvent;
class QPainter;

// Text drawing flags of a cell (the platform's text-drawing flags).
namespace grid_format {
inline constexpr unsigned kLeft = 0x00;
inline constexpr unsigned kCenter = 0x01;
inline constexpr unsigned kRight = 0x02;
inline constexpr unsigned kVCenter = 0x04;
inline constexpr unsigned kBottom = 0x08;
inline constexpr unsigned kWordBreak = 0x10;
inline constexpr unsigned kSingleLine = 0x20;
}  // namespace grid_format

// State flags of a cell.
namespace grid_state {
inline constexpr unsigned kFocused = 0x01;
inline constexpr unsigned kSelected = 0x02;
inline constexpr unsigned kReadOnly = 0x08;
}  // namespace grid_state

// Which fields SetItem sets.
namespace grid_mask {
inline constexpr unsigned kText = 0x01;
inline constexpr unsigned kFormat = 0x80;
inline constexpr unsigned kAll = 0xFFFFFFFF;
}  // namespace grid_mask

struct CGridCell {
  unsigned state = 0;
  unsigned format = 0;
  QString text;
  int image = -1;
  QColor background;  // invalid: the grid's colour for the cell's kind
  QColor textColour;  // invalid: the grid's text colour
  long long data = 0;
  QFont font;
};

// A rectangle of cells, both corners included; empty when top is -1.
struct GridRange {
  int top = -1;
  int left = -1;
  int bottom = -1;
  int right = -1;
  bool IsEmpty() const { return top < 0; }
  bool Contains(int row, int column) const {
    return row >= top && row <= bottom && column >= left && column <= right;
  }
  int CellCount() const { return IsEmpty() ? 0 : (bottom - top + 1) * (right - left + 1); }
};

// What the grid reports when a cell is to be edited.
struct GridBeginEdit {
  static constexpr int kCode = -105;  // the begin-label-edit notification code
  int controlId = 0;
  int code = kCode;
  int row = -1;
  int column = -1;
  unsigned mask = grid_mask::kAll;
  CGridCell cell;    // the cell's values as stored
  QRect screenRect;  // the cell's rectangle in screen coordinates
};

class CGridCtrl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CGridCtrl(QWidget* parent = nullptr);

  // The whole table plus the frame, so that a page can size the grid to its contents.
  QSize sizeHint() const override;

  // Size of the table; new cells take the defaults (below the first row and right of the
  // first column, the format of the cell above).
  bool SetRowCount(int rows);
  bool SetColumnCount(int columns);
  int GetRowCount() const;
  int GetColumnCount() const;
  bool SetFixedRowCount(int rows);
  bool SetFixedColumnCount(int columns);
  int GetFixedRowCount() const;
  int GetFixedColumnCount() const;
  bool SetColumnWidth(int column, int width);
  bool SetRowHeight(int row, int height);
  int GetColumnWidth(int column) const;
  int GetRowHeight(int row) const;

  // The user's resizing of columns and rows, and range selection: Shift with the
  // navigation keys or a click, a drag, or a click on a heading (its row or column; the
  // corner: every cell).
  void EnableColumnResize(bool enable);
  void EnableRowResize(bool enable);
  void EnableSelection(bool enable);
  // The clipboard keys: Ctrl+C copies the selected cells' texts, tab-separated, one line
  // per row; Ctrl+V and Delete are reported (pasteRequested, deleteRequested) for the page
  // to apply. Off, the keys go on to the window.
  void EnableClipboard(bool enable);
  bool IsClipboardEnabled() const { return clipboard_; }
  void SetEditable(bool editable);
  bool IsEditable() const;

  // Focus cell: (-1, -1) for none.
  void SetFocusCell(int row, int column);
  int FocusRow() const;
  int FocusColumn() const;
  void ClearSelectionAndFocus();
  // The selected cells: the focus cell and, with range selection, the cells up to the
  // anchor where the selection started. Empty without a focus cell.
  GridRange SelectedRange() const;
  // Selects the cells from the anchor to the focus cell; both must be non-fixed cells.
  void SetSelectedRange(int anchorRow, int anchorColumn, int focusRow, int focusColumn);
  // The selected cells' texts, tab-separated, rows ended by line feeds but the last.
  QString SelectedText() const;

  // Cell operations; a row or column outside the table is ignored (false, empty, 0).
  bool SetItem(int row, int column, unsigned mask, unsigned format, const QString& text);
  bool SetItemText(int row, int column, const QString& text);
  QString GetItemText(int row, int column) const;
  bool SetItemFormat(int row, int column, unsigned format);
  unsigned GetItemFormat(int row, int column) const;
  bool SetItemState(int row, int column, unsigned state);
  unsigned GetItemState(int row, int column) const;
  bool SetItemFgColour(int row, int column, const QColor& colour = QColor());
  const CGridCell* GetCell(int row, int column) const;

  // Drawing around a bulk fill.
  void SetRedraw(bool allowDraw);
  bool IsRedrawAllowed() const;
  void RedrawRow(int row);
  void ResetScrollBars();

  // While set, painting leaves out the rectangle of the cell last reported for
  // editing, so that the page's editor over it is not painted over.
  void SetExternalEditor(bool on);
  bool HasExternalEditor() const;
  QRect EditorRect() const;  // viewport coordinates

  // A cell's rectangle in viewport coordinates; empty when it is not visible.
  QRect CellRect(int row, int column) const;
  // Scrolls a non-fixed cell into view.
  void EnsureVisible(int row, int column);
  // Asks to edit a cell: begins an edit when it is editable and can be shown.
  void EditCell(int row, int column);

  // Printing: sizes and drawing at the screen's column widths and row heights.
  int GetVirtualWidth() const;     // sum of all column widths
  int GetFixedRowHeight() const;   // sum of the fixed rows' heights
  void DrawFixedRows(QPainter& painter) const;    // at the painter's origin
  void DrawRow(QPainter& painter, int row) const; // the row's top at y = 0

 signals:
  void beginEdit(const GridBeginEdit& request);
  // Ctrl+V with the clipboard keys enabled: the clipboard's text.
  void pasteRequested(const QString& text);
  // Delete with the clipboard keys enabled.
  void deleteRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  struct Axis;  // the rows or the columns, as laid out in the viewport
  enum class DrawTarget { Screen, Print };
  enum class DragKind { None, Column, Row };
  struct Divider {
    DragKind kind = DragKind::None;
    int index = -1;  // the row or column whose far edge it is
  };

  Axis RowAxis() const;
  Axis ColumnAxis() const;
  bool IsInTable(int row, int column) const;
  bool IsFixedCell(int row, int column) const;
  bool HasScrollableCells() const;
  int LastRow() const { return rows_ - 1; }
  int LastColumn() const { return columns_ - 1; }
  CGridCell NewCell(int row, int column) const;
  std::optional<std::pair<int, int>> CellAt(QPoint point) const;
  std::optional<Divider> DividerAt(QPoint point) const;
  int PageRowCount() const;
  // Makes (row, column), clamped to the non-fixed cells, the focus cell and shows it; with
  // `extend` the anchor stays, so that the selection reaches from it to the new focus cell.
  void MoveFocusTo(int row, int column, bool extend = false);
  // A click on a heading with range selection: its row, its column, or (the corner)
  // every cell; with `extend` from the anchor on.
  void SelectHeading(int row, int column, bool extend);
  // The clipboard keys; false for any other key.
  bool HandleClipboardKey(const QKeyEvent& event);
  static bool IsClipboardKey(const QKeyEvent& event);
  // A character typed into the focus cell asks to edit it and goes to the editor the
  // page opens; false when the key is not typed text or no editor took the focus.
  bool BeginEditByTyping(const QKeyEvent& event);
  // Repaint the viewport, or a part of it (nothing for an empty rectangle), unless
  // drawing is switched off.
  void Repaint();
  void Repaint(const QRect& rect);
  void DrawRowAt(QPainter& painter, int row, int top) const;
  void DrawCell(QPainter& painter, int row, int column, const QRect& rect, DrawTarget target) const;

  int rows_ = 0;
  int columns_ = 0;
  int fixedRows_ = 0;
  int fixedColumns_ = 0;
  std::vector<std::vector<CGridCell>> cells_;  // [row][column]
  std::vector<int> rowHeights_;
  std::vector<int> columnWidths_;
  int defaultRowHeight_ = 0;
  int defaultColumnWidth_ = 0;
  QFont defaultCellFont_;

  int focusRow_ = -1;
  int focusColumn_ = -1;
  int anchorRow_ = -1;  // where a range selection started
  int anchorColumn_ = -1;
  bool editable_ = true;
  bool columnResize_ = true;
  bool rowResize_ = true;
  bool selection_ = true;
  bool clipboard_ = false;
  bool redraw_ = true;
  bool externalEditor_ = false;
  QRect editorRect_;

  bool pressedOnCell_ = false;  // the left button went down on a non-fixed cell
  bool dragSelected_ = false;   // the button held down moved the focus: no edit on release
  Divider drag_;
  int dragStartPosition_ = 0;
  int dragStartSize_ = 0;
  int wheelRemainderX_ = 0;  // wheel deltas below one notch, kept for smooth wheels
  int wheelRemainderY_ = 0;
};
