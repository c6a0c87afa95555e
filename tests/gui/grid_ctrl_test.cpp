// The grid of the channel and signalling pages: when it asks the page to edit a cell,
// keyboard and wheel navigation, range selection and the clipboard keys, the
// external-editor gap in its painting, printing, and divider resizing.

#include "ui/grid_ctrl.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QPainter>
#include <QScrollBar>
#include <QtTest>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 17;
constexpr int kColumns = 13;
constexpr int kColumnWidth = 50;
constexpr int kRowHeight = 20;
constexpr int kControlId = 1030;
constexpr unsigned kHeadingFormat = grid_format::kCenter | grid_format::kWordBreak;
constexpr unsigned kCellFormat = grid_format::kCenter | grid_format::kVCenter | grid_format::kSingleLine;

// A grid in a top-level window away from the screen origin, laid out like a page's,
// with a line edit beside it to take the focus.
struct GridWindow {
  std::unique_ptr<QWidget> host;
  CGridCtrl* grid = nullptr;
  QLineEdit* neighbour = nullptr;
  std::vector<GridBeginEdit> edits;
};

void FillLikePage(CGridCtrl& grid) {
  grid.SetRowCount(kRows);
  grid.SetColumnCount(kColumns);
  grid.SetFixedRowCount(1);
  grid.SetFixedColumnCount(1);
  for (int column = 0; column < kColumns; ++column) grid.SetColumnWidth(column, kColumnWidth);
  for (int row = 0; row < kRows; ++row) grid.SetRowHeight(row, kRowHeight);
  grid.EnableColumnResize(false);
  grid.EnableRowResize(false);
  grid.EnableSelection(false);

  grid.SetRedraw(false);
  for (int column = 1; column < kColumns; ++column) grid.SetItem(0, column, grid_mask::kAll, kHeadingFormat, QString("H%1").arg(column));
  for (int row = 1; row < kRows; ++row) {
    grid.SetItem(row, 0, grid_mask::kAll, kHeadingFormat, QString::number(row));
    for (int column = 1; column < kColumns; ++column) {
      grid.SetItem(row, column, grid_mask::kAll, kCellFormat, QString("%1.%2").arg(row).arg(column));
    }
  }
  grid.viewport()->update();
  grid.SetRedraw(true);
  grid.ResetScrollBars();
}

// With an empty viewportSize the grid shows the whole table with room to its right;
// otherwise its scroll bars are always on and the viewport gets exactly that size.
std::unique_ptr<GridWindow> ShowGrid(QSize viewportSize = QSize()) {
  auto window = std::make_unique<GridWindow>();
  window->host = std::make_unique<QWidget>();
  window->neighbour = new QLineEdit(window->host.get());
  window->neighbour->setGeometry(20, 2, 100, 24);
  window->grid = new CGridCtrl(window->host.get());
  CGridCtrl* grid = window->grid;
  grid->setProperty("controlId", kControlId);
  FillLikePage(*grid);
  grid->move(20, 30);
  if (viewportSize.isEmpty()) {
    grid->resize(grid->sizeHint() + QSize(80, 0));
  } else {
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->resize(viewportSize + QSize(60, 60));
  }
  window->host->resize(grid->width() + 40, grid->height() + 50);
  window->host->move(200, 150);
  window->host->show();
  QApplication::setActiveWindow(window->host.get());
  if (!QTest::qWaitForWindowExposed(window->host.get())) return nullptr;
  if (!viewportSize.isEmpty()) grid->resize(grid->size() + viewportSize - grid->viewport()->size());
  grid->setFocus();
  QObject::connect(grid, &CGridCtrl::beginEdit, grid, [w = window.get()](const GridBeginEdit& request) {
    w->edits.push_back(request);
  });
  return window;
}

QPoint Centre(const QRect& rect) { return rect.center(); }

void SendMouse(QWidget* widget, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

// Records the paint events of a widget.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;
  QRegion painted;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++count;
      painted += static_cast<QPaintEvent*>(event)->region();
    }
    return false;
  }
};

// Compared at 8 bits a channel, as the images store them.
int CountPixels(const QImage& image, const QRect& rect, const QColor& colour) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) count += image.pixel(x, y) == colour.rgb() ? 1 : 0;
  }
  return count;
}

QImage Grab(QWidget* widget, const QRect& rect = QRect()) {
  return widget->grab(rect.isNull() ? widget->rect() : rect).toImage().convertToFormat(QImage::Format_RGB32);
}

enum class Trigger { Click, Enter };

}  // namespace

Q_DECLARE_METATYPE(Trigger)

class GridCtrlTest : public QObject {
  Q_OBJECT

 private slots:
  void editRequests_data();
  void editRequests();
  void keyboardNavigation_data();
  void keyboardNavigation();
  void typingIntoACellBeginsItsEdit_data();
  void typingIntoACellBeginsItsEdit();
  void cellOperationsOutsideTableAreIgnored_data();
  void cellOperationsOutsideTableAreIgnored();
  void newCellsAndFontChange();
  void externalEditorLeavesEditorRectUnpainted();
  void redrawSwitchHoldsBackPainting();
  void wheelScrollsByDesktopLines_data();
  void wheelScrollsByDesktopLines();
  void printingDrawsRowsAsOnScreen();
  void dividerDragResizesOnlyWhenEnabled_data();
  void dividerDragResizesOnlyWhenEnabled();
  void rangeSelection_data();
  void rangeSelection();
  void clipboardKeysOnlyWhenEnabled();
};

void GridCtrlTest::editRequests_data() {
  QTest::addColumn<Trigger>("trigger");
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("column");
  QTest::addColumn<bool>("readOnly");
  QTest::addColumn<bool>("editable");
  QTest::addColumn<bool>("hiddenRow");
  QTest::addColumn<bool>("expectEdit");
  // For clicks, row or column -1 clicks right of the last column or below the last row.
  QTest::newRow("click cell") << Trigger::Click << 5 << 3 << false << true << false << true;
  QTest::newRow("enter on cell") << Trigger::Enter << 5 << 3 << false << true << false << true;
  QTest::newRow("click last cell") << Trigger::Click << 16 << 12 << false << true << false << true;
  QTest::newRow("click read-only cell") << Trigger::Click << 5 << 3 << true << true << false << false;
  QTest::newRow("enter on read-only cell") << Trigger::Enter << 5 << 3 << true << true << false << false;
  QTest::newRow("click column heading") << Trigger::Click << 0 << 3 << false << true << false << false;
  QTest::newRow("enter on column heading") << Trigger::Enter << 0 << 3 << false << true << false << false;
  QTest::newRow("click row heading") << Trigger::Click << 5 << 0 << false << true << false << false;
  QTest::newRow("enter on row heading") << Trigger::Enter << 5 << 0 << false << true << false << false;
  QTest::newRow("click corner") << Trigger::Click << 0 << 0 << false << true << false << false;
  QTest::newRow("click right of the table") << Trigger::Click << 5 << -1 << false << true << false << false;
  QTest::newRow("click in a grid not editable") << Trigger::Click << 5 << 3 << false << false << false << false;
  QTest::newRow("enter in a grid not editable") << Trigger::Enter << 5 << 3 << false << false << false << false;
  QTest::newRow("enter on a cell of a hidden row") << Trigger::Enter << 5 << 3 << false << true << true << false;
}

// Only a click on, or Enter in, an editable data cell asks the page to edit it, and the
// request carries the cell and where it is on the screen.
void GridCtrlTest::editRequests() {
  QFETCH(Trigger, trigger);
  QFETCH(int, row);
  QFETCH(int, column);
  QFETCH(bool, readOnly);
  QFETCH(bool, editable);
  QFETCH(bool, hiddenRow);
  QFETCH(bool, expectEdit);

  auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  QVERIFY(grid->hasFocus());
  grid->SetEditable(editable);
  if (readOnly) grid->SetItemState(row, column, grid->GetItemState(row, column) | grid_state::kReadOnly);
  if (hiddenRow) grid->SetRowHeight(row, 0);

  if (trigger == Trigger::Click) {
    QPoint point;
    if (column < 0) {
      const QRect lastCell = grid->CellRect(row, kColumns - 1);
      point = QPoint(lastCell.right() + 20, lastCell.center().y());
      QVERIFY(grid->viewport()->rect().contains(point));
    } else {
      point = Centre(grid->CellRect(row, column));
    }
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, point);
    if (column >= 0) {
      // A press on a heading moves the focus to the first data cell below or beside it.
      QCOMPARE(grid->FocusRow(), std::max(row, 1));
      QCOMPARE(grid->FocusColumn(), std::max(column, 1));
    }
  } else {
    grid->SetFocusCell(row, column);
    QTest::keyClick(grid, Qt::Key_Return);
  }

  if (!expectEdit) {
    QVERIFY(window->edits.empty());
    return;
  }
  QCOMPARE(window->edits.size(), size_t{1});
  const GridBeginEdit& request = window->edits.front();
  QCOMPARE(request.controlId, kControlId);
  QCOMPARE(request.code, -105);
  QCOMPARE(request.row, row);
  QCOMPARE(request.column, column);
  QCOMPARE(request.mask, grid_mask::kAll);
  QCOMPARE(request.cell.text, QString("%1.%2").arg(row).arg(column));
  QCOMPARE(request.cell.format, kCellFormat);
  QCOMPARE(request.cell.state, grid->GetItemState(row, column));

  const QRect cellRect = grid->CellRect(row, column);
  QVERIFY(!cellRect.isEmpty());
  QCOMPARE(grid->EditorRect(), cellRect);
  QCOMPARE(request.screenRect, QRect(grid->viewport()->mapToGlobal(cellRect.topLeft()), cellRect.size()));
  // Worked out independently: the window's place on the screen plus the cell's place in it.
  const QPoint expectedTopLeft = window->host->geometry().topLeft() + grid->viewport()->mapTo(window->host.get(), cellRect.topLeft());
  QCOMPARE(request.screenRect.topLeft(), expectedTopLeft);
  QVERIFY(request.screenRect.topLeft() != cellRect.topLeft());
}

void GridCtrlTest::keyboardNavigation_data() {
  QTest::addColumn<int>("startRow");
  QTest::addColumn<int>("startColumn");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("expectRow");
  QTest::addColumn<int>("expectColumn");
  QTest::addColumn<bool>("keepsFocus");
  const int none = Qt::NoModifier;
  // The viewport shows the headings, 5 data rows and 4 data columns.
  QTest::newRow("down") << 1 << 1 << int(Qt::Key_Down) << none << 2 << 1 << true;
  QTest::newRow("up stops below the headings") << 1 << 1 << int(Qt::Key_Up) << none << 1 << 1 << true;
  QTest::newRow("left stops beside the headings") << 3 << 1 << int(Qt::Key_Left) << none << 3 << 1 << true;
  QTest::newRow("right scrolls") << 3 << 4 << int(Qt::Key_Right) << none << 3 << 5 << true;
  QTest::newRow("right stops at the last column") << 3 << 12 << int(Qt::Key_Right) << none << 3 << 12 << true;
  QTest::newRow("down stops at the last row") << 16 << 4 << int(Qt::Key_Down) << none << 16 << 4 << true;
  QTest::newRow("tab") << 3 << 4 << int(Qt::Key_Tab) << none << 3 << 5 << true;
  QTest::newRow("tab wraps to the next row") << 3 << 12 << int(Qt::Key_Tab) << none << 4 << 1 << true;
  QTest::newRow("shift+tab wraps to the previous row") << 4 << 1 << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 3 << 12 << true;
  QTest::newRow("tab at the last cell leaves the grid") << 16 << 12 << int(Qt::Key_Tab) << none << 16 << 12 << false;
  QTest::newRow("home") << 9 << 4 << int(Qt::Key_Home) << none << 1 << 4 << true;
  QTest::newRow("end") << 2 << 4 << int(Qt::Key_End) << none << 16 << 4 << true;
  QTest::newRow("page down") << 1 << 4 << int(Qt::Key_PageDown) << none << 6 << 4 << true;
  QTest::newRow("page down stops at the last row") << 14 << 4 << int(Qt::Key_PageDown) << none << 16 << 4 << true;
  QTest::newRow("page up") << 16 << 4 << int(Qt::Key_PageUp) << none << 11 << 4 << true;
  QTest::newRow("page up stops at the first row") << 3 << 4 << int(Qt::Key_PageUp) << none << 1 << 4 << true;
  QTest::newRow("without a focus cell: first cell") << -1 << -1 << int(Qt::Key_Down) << none << 1 << 1 << true;
  // Ctrl+PgUp and Ctrl+PgDown switch the tabs around the grid; the focus cell stays.
  QTest::newRow("ctrl+page down is left to the tabs") << 1 << 4 << int(Qt::Key_PageDown) << int(Qt::ControlModifier) << 1 << 4 << true;
  QTest::newRow("ctrl+page up is left to the tabs") << 16 << 4 << int(Qt::Key_PageUp) << int(Qt::ControlModifier) << 16 << 4 << true;
}

// Navigation keeps the focus among the data cells and scrolls it fully into view,
// while the headings stay where they are.
void GridCtrlTest::keyboardNavigation() {
  QFETCH(int, startRow);
  QFETCH(int, startColumn);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, expectRow);
  QFETCH(int, expectColumn);
  QFETCH(bool, keepsFocus);

  auto window = ShowGrid(QSize(kColumnWidth * 5, kRowHeight * 6));
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  QCOMPARE(grid->viewport()->size(), QSize(kColumnWidth * 5, kRowHeight * 6));
  QTRY_VERIFY(grid->hasFocus());
  grid->SetFocusCell(startRow, startColumn);
  grid->EnsureVisible(startRow, startColumn);

  QTest::keyClick(grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

  QCOMPARE(grid->FocusRow(), expectRow);
  QCOMPARE(grid->FocusColumn(), expectColumn);
  QCOMPARE(grid->hasFocus(), keepsFocus);
  QVERIFY(window->edits.empty());
  const QRect focusRect = grid->CellRect(expectRow, expectColumn);
  QVERIFY(!focusRect.isEmpty());
  QVERIFY(grid->viewport()->rect().contains(focusRect));
  QCOMPARE(grid->CellRect(0, expectColumn).top(), 0);
  QCOMPARE(grid->CellRect(expectRow, 0).left(), 0);
  QVERIFY(focusRect.top() >= kRowHeight && focusRect.left() >= kColumnWidth);
  if (!keepsFocus) return;

  // Enter then asks to edit the cell where it now shows.
  QTest::keyClick(grid, Qt::Key_Enter);
  QCOMPARE(window->edits.size(), size_t{1});
  QCOMPARE(window->edits.front().row, expectRow);
  QCOMPARE(window->edits.front().column, expectColumn);
  QCOMPARE(window->edits.front().screenRect, QRect(grid->viewport()->mapToGlobal(focusRect.topLeft()), focusRect.size()));
}

void GridCtrlTest::typingIntoACellBeginsItsEdit_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("readOnly");
  QTest::addColumn<QString>("edited");  // what reaches the editor; empty: no edit asked
  const int none = Qt::NoModifier;
  QTest::newRow("digits") << "146.5" << none << false << "146.5";
  QTest::newRow("upper-case letters") << "D023N" << int(Qt::ShiftModifier) << false << "D023N";
  QTest::newRow("on a read-only cell") << "146" << none << true << "";
  QTest::newRow("a Ctrl shortcut is no typing") << "c" << int(Qt::ControlModifier) << false << "";
  QTest::newRow("an Alt key is no typing") << "f" << int(Qt::AltModifier) << false << "";
}

// A character typed into the focus cell asks to edit it, as Enter does, and it is the first
// character the page's editor gets; the keys after it go to the editor, which has the focus.
void GridCtrlTest::typingIntoACellBeginsItsEdit() {
  QFETCH(QString, typed);
  QFETCH(int, modifiers);
  QFETCH(bool, readOnly);
  QFETCH(QString, edited);
  auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  QTRY_VERIFY(grid->hasFocus());
  // The page's part: an editor over the cell, with the cell's text selected.
  QLineEdit* editor = window->neighbour;
  QObject::connect(grid, &CGridCtrl::beginEdit, editor, [editor](const GridBeginEdit& request) {
    editor->setText(request.cell.text);
    editor->selectAll();
    editor->setFocus();
  });
  grid->SetFocusCell(5, 3);
  if (readOnly) grid->SetItemState(5, 3, grid->GetItemState(5, 3) | grid_state::kReadOnly);

  for (const QChar c : typed) {
    QTest::keyClick(QApplication::focusWidget(), c.toLatin1(), Qt::KeyboardModifiers(modifiers));
  }

  if (edited.isEmpty()) {
    QVERIFY(window->edits.empty());
    QVERIFY(grid->hasFocus());
    QCOMPARE(editor->text(), QString());
    return;
  }
  QCOMPARE(window->edits.size(), size_t{1});
  QCOMPARE(window->edits.front().row, 5);
  QCOMPARE(window->edits.front().column, 3);
  QVERIFY(editor->hasFocus());
  QCOMPARE(editor->text(), edited);  // the first character replaced the cell's text
}

void GridCtrlTest::cellOperationsOutsideTableAreIgnored_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("column");
  QTest::newRow("row before") << -1 << 3;
  QTest::newRow("row after") << kRows << 3;
  QTest::newRow("column before") << 3 << -1;
  QTest::newRow("column after") << 3 << kColumns;
  QTest::newRow("no cell") << -1 << -1;
}

void GridCtrlTest::cellOperationsOutsideTableAreIgnored() {
  QFETCH(int, row);
  QFETCH(int, column);
  CGridCtrl grid;
  FillLikePage(grid);
  std::vector<GridBeginEdit> edits;
  connect(&grid, &CGridCtrl::beginEdit, &grid, [&](const GridBeginEdit& request) { edits.push_back(request); });

  QVERIFY(!grid.SetItem(row, column, grid_mask::kAll, grid_format::kRight, "x"));
  QVERIFY(!grid.SetItemText(row, column, "x"));
  QVERIFY(!grid.SetItemFormat(row, column, grid_format::kRight));
  QVERIFY(!grid.SetItemState(row, column, grid_state::kReadOnly));
  QVERIFY(!grid.SetItemFgColour(row, column, Qt::red));
  QCOMPARE(grid.GetItemText(row, column), QString());
  QCOMPARE(grid.GetItemFormat(row, column), 0u);
  QCOMPARE(grid.GetItemState(row, column), 0u);
  QVERIFY(grid.GetCell(row, column) == nullptr);
  QVERIFY(grid.CellRect(row, column).isEmpty());
  grid.EditCell(row, column);
  QVERIFY(edits.empty());
  if (row < 0 || row >= kRows) {
    QVERIFY(!grid.SetRowHeight(row, 30));
    QCOMPARE(grid.GetRowHeight(row), 0);
  }
  if (column < 0 || column >= kColumns) {
    QVERIFY(!grid.SetColumnWidth(column, 30));
    QCOMPARE(grid.GetColumnWidth(column), 0);
  }
  QCOMPARE(grid.GetRowCount(), kRows);
  QCOMPARE(grid.GetColumnCount(), kColumns);
  QCOMPARE(grid.GetVirtualWidth(), kColumns * kColumnWidth);
}

// New cells are empty with the grid's font; below the first row and right of the first
// column they take the format of the cell above. A new grid font reaches every cell.
void GridCtrlTest::newCellsAndFontChange() {
  CGridCtrl grid;
  FillLikePage(grid);
  QVERIFY(grid.SetItemFormat(kRows - 1, 0, grid_format::kRight));
  QVERIFY(grid.SetItemFormat(kRows - 1, 5, grid_format::kBottom | grid_format::kWordBreak));
  QVERIFY(grid.SetItemState(kRows - 1, 5, grid_state::kReadOnly));

  QVERIFY(grid.SetRowCount(kRows + 2));
  for (int row = kRows; row < kRows + 2; ++row) {
    QCOMPARE(grid.GetItemFormat(row, 0), 0u);
    QCOMPARE(grid.GetItemFormat(row, 1), kCellFormat);
    QCOMPARE(grid.GetItemFormat(row, 5), grid_format::kBottom | grid_format::kWordBreak);
    QCOMPARE(grid.GetItemText(row, 5), QString());
    QCOMPARE(grid.GetItemState(row, 5), 0u);
    QCOMPARE(grid.GetCell(row, 5)->font, grid.font());
  }
  QVERIFY(grid.SetColumnCount(kColumns + 1));
  QCOMPARE(grid.GetItemFormat(0, kColumns), 0u);
  QCOMPARE(grid.GetItemFormat(8, kColumns), 0u);

  // Cells cut off and grown again start afresh.
  QVERIFY(grid.SetRowCount(10));
  QVERIFY(grid.SetRowCount(kRows));
  QCOMPARE(grid.GetItemText(12, 3), QString());
  QCOMPARE(grid.GetItemText(9, 3), QString("9.3"));

  QFont font = grid.font();
  font.setPointSize(font.pointSize() + 5);
  font.setItalic(true);
  grid.setFont(font);
  for (int row = 0; row < grid.GetRowCount(); ++row) {
    for (int column = 0; column < grid.GetColumnCount(); ++column) QCOMPARE(grid.GetCell(row, column)->font, font);
  }
  QVERIFY(grid.SetColumnCount(kColumns + 2));
  QCOMPARE(grid.GetCell(3, kColumns + 1)->font, font);
}

// While the page's editor sits over a cell, the grid leaves that cell unpainted and
// paints the rest as usual; clearing the flag repaints the cell.
void GridCtrlTest::externalEditorLeavesEditorRectUnpainted() {
  auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  const QColor marker(200, 0, 0);
  grid->SetItemFgColour(5, 3, marker);
  grid->SetItemText(5, 3, "MMMM");
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, Centre(grid->CellRect(5, 3)));
  QCOMPARE(window->edits.size(), size_t{1});
  const QRect editorRect = grid->EditorRect();
  QCOMPARE(editorRect, grid->CellRect(5, 3));

  PaintRecorder recorder(grid->viewport());
  grid->SetExternalEditor(true);
  QVERIFY(grid->HasExternalEditor());
  const QImage withEditor = Grab(grid->viewport());
  grid->SetExternalEditor(false);
  QTRY_VERIFY(recorder.painted.contains(editorRect));
  const QImage withoutEditor = Grab(grid->viewport());

  QCOMPARE(CountPixels(withEditor, editorRect, marker), 0);
  QVERIFY(CountPixels(withoutEditor, editorRect, marker) > 0);
  const QColor gridLine = grid->palette().color(QPalette::Mid);
  QCOMPARE(CountPixels(withEditor, editorRect, gridLine), 0);
  QCOMPARE(CountPixels(withoutEditor, editorRect, gridLine), editorRect.width() + editorRect.height() - 1);
  // Everything else is painted the same either way.
  for (int y = 0; y < withEditor.height(); ++y) {
    for (int x = 0; x < withEditor.width(); ++x) {
      if (!editorRect.contains(x, y) && withEditor.pixel(x, y) != withoutEditor.pixel(x, y)) {
        QFAIL(qPrintable(QString("pixel (%1, %2) differs outside the editor").arg(x).arg(y)));
      }
    }
  }
}

// A bulk fill with drawing switched off paints nothing until drawing is allowed again.
void GridCtrlTest::redrawSwitchHoldsBackPainting() {
  auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  PaintRecorder gridPaints(grid->viewport());
  PaintRecorder neighbourPaints(window->neighbour);
  // Let the painting of the freshly shown window pass first.
  grid->viewport()->update();
  window->neighbour->update();
  QTRY_VERIFY(gridPaints.count > 0 && neighbourPaints.count > 0);
  gridPaints.count = 0;
  gridPaints.painted = QRegion();
  neighbourPaints.count = 0;

  grid->SetRedraw(false);
  QVERIFY(!grid->IsRedrawAllowed());
  for (int row = 1; row < kRows; ++row) {
    grid->SetItemText(row, 2, "new");
    grid->SetItemState(row, 3, grid_state::kReadOnly);
  }
  grid->RedrawRow(4);
  grid->SetFocusCell(2, 2);
  // The neighbour's repaint goes out in the same pass as any the grid had asked for.
  window->neighbour->update();
  QTRY_VERIFY(neighbourPaints.count > 0);
  QCOMPARE(gridPaints.count, 0);

  grid->SetRedraw(true);
  QTRY_VERIFY(gridPaints.count > 0);
  QVERIFY(gridPaints.painted.contains(grid->CellRect(5, 2)));
}

void GridCtrlTest::wheelScrollsByDesktopLines_data() {
  QTest::addColumn<int>("lines");
  QTest::addColumn<int>("notches");
  QTest::addColumn<int>("expectOffset");
  // 16 data rows, 5 in view: at most 11 rows can scroll away.
  QTest::newRow("3 lines, 1 notch") << 3 << 1 << 3;
  QTest::newRow("1 line, 2 notches") << 1 << 2 << 2;
  QTest::newRow("4 lines, 2 notches") << 4 << 2 << 8;
  QTest::newRow("3 lines, 5 notches, stops at the end") << 3 << 5 << 11;
}

void GridCtrlTest::wheelScrollsByDesktopLines() {
  QFETCH(int, lines);
  QFETCH(int, notches);
  QFETCH(int, expectOffset);
  const int savedLines = QApplication::wheelScrollLines();
  QApplication::setWheelScrollLines(lines);
  auto window = ShowGrid(QSize(kColumnWidth * 5, kRowHeight * 6));
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  const auto turnWheel = [&](int steps) {
    const QPoint point = Centre(grid->viewport()->rect());
    QWheelEvent event(QPointF(point), QPointF(grid->viewport()->mapToGlobal(point)), QPoint(), QPoint(0, steps * 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &event);
  };

  turnWheel(-notches);  // towards the user: down the table
  QCOMPARE(grid->verticalScrollBar()->value(), expectOffset);
  QVERIFY(grid->CellRect(expectOffset, 3).isEmpty() || expectOffset == 0);
  QCOMPARE(grid->CellRect(1 + expectOffset, 3).top(), kRowHeight);
  QCOMPARE(grid->CellRect(0, 3).top(), 0);

  turnWheel(1);
  const int back = std::max(0, expectOffset - lines);
  QCOMPARE(grid->verticalScrollBar()->value(), back);
  QCOMPARE(grid->CellRect(1 + back, 3).top(), kRowHeight);
  QApplication::setWheelScrollLines(savedLines);
}

// The printout draws the headings and any one row as the screen shows them, whatever
// the scroll position, and without the focus mark.
void GridCtrlTest::printingDrawsRowsAsOnScreen() {
  auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  const QColor marker(0, 0, 200);
  grid->SetItemFgColour(5, 3, marker);
  grid->SetItemFormat(5, 4, grid_format::kRight | grid_format::kBottom);
  grid->ClearSelectionAndFocus();
  const int width = grid->GetVirtualWidth();
  QCOMPARE(width, kColumns * kColumnWidth);
  QCOMPARE(grid->GetFixedRowHeight(), kRowHeight);
  const QImage screen = Grab(grid->viewport());

  const auto print = [&](int row) {
    QImage image(width, row < 0 ? grid->GetFixedRowHeight() : grid->GetRowHeight(row), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (row < 0) {
      grid->DrawFixedRows(painter);
    } else {
      grid->DrawRow(painter, row);
    }
    return image;
  };

  const QImage headings = print(-1);
  QCOMPARE(headings, screen.copy(0, 0, width, kRowHeight));
  const QImage row5 = print(5);
  QCOMPARE(row5, screen.copy(0, grid->CellRect(5, 0).top(), width, kRowHeight));
  QVERIFY(CountPixels(row5, QRect(3 * kColumnWidth, 0, kColumnWidth, kRowHeight), marker) > 0);

  grid->SetFocusCell(5, 3);
  grid->resize(kColumnWidth * 4, kRowHeight * 5);
  grid->EnsureVisible(16, 12);
  QVERIFY(grid->CellRect(5, 3).isEmpty());
  QCOMPARE(print(5), row5);
  QCOMPARE(print(-1), headings);
}

void GridCtrlTest::dividerDragResizesOnlyWhenEnabled_data() {
  QTest::addColumn<bool>("columnDivider");
  QTest::addColumn<bool>("enabled");
  QTest::newRow("column divider, resizing off") << true << false;
  QTest::newRow("column divider, resizing on") << true << true;
  QTest::newRow("row divider, resizing off") << false << false;
  QTest::newRow("row divider, resizing on") << false << true;
}

void GridCtrlTest::dividerDragResizesOnlyWhenEnabled() {
  QFETCH(bool, columnDivider);
  QFETCH(bool, enabled);
  auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  QWidget* viewport = grid->viewport();
  grid->EnableColumnResize(columnDivider && enabled);
  grid->EnableRowResize(!columnDivider && enabled);

  // Between columns 2 and 3 in the heading row, or rows 4 and 5 in the heading column.
  const QRect before = columnDivider ? grid->CellRect(0, 2) : grid->CellRect(4, 0);
  const QPoint divider = columnDivider ? QPoint(before.right() + 1, before.center().y())
                                       : QPoint(before.center().x(), before.bottom() + 1);
  const QPoint pulled = divider + (columnDivider ? QPoint(30, 0) : QPoint(0, 15));

  SendMouse(viewport, QEvent::MouseMove, divider, Qt::NoButton, Qt::NoButton);
  const Qt::CursorShape split = columnDivider ? Qt::SplitHCursor : Qt::SplitVCursor;
  QCOMPARE(viewport->cursor().shape(), enabled ? split : Qt::ArrowCursor);

  SendMouse(viewport, QEvent::MouseButtonPress, divider, Qt::LeftButton, Qt::LeftButton);
  SendMouse(viewport, QEvent::MouseMove, pulled, Qt::NoButton, Qt::LeftButton);
  SendMouse(viewport, QEvent::MouseButtonRelease, pulled, Qt::LeftButton, Qt::NoButton);

  const int size = columnDivider ? grid->GetColumnWidth(2) : grid->GetRowHeight(4);
  const int original = columnDivider ? kColumnWidth : kRowHeight;
  QCOMPARE(size, enabled ? original + (columnDivider ? 30 : 15) : original);
  QCOMPARE(columnDivider ? grid->GetColumnWidth(3) : grid->GetRowHeight(5), original);
  QVERIFY(window->edits.empty());
  // Moving away from the divider gives the pointer back.
  SendMouse(viewport, QEvent::MouseMove, Centre(grid->CellRect(8, 8)), Qt::NoButton, Qt::NoButton);
  QCOMPARE(viewport->cursor().shape(), Qt::ArrowCursor);
}

enum class Gesture { ShiftKeys, Drag, ShiftClick, RowHeadings, ColumnHeading, Corner };

void GridCtrlTest::rangeSelection_data() {
  QTest::addColumn<Gesture>("gesture");
  QTest::addColumn<QList<int>>("range");  // top, left, bottom, right
  QTest::newRow("Shift+Down, Shift+Right") << Gesture::ShiftKeys << QList<int>{2, 3, 3, 4};
  QTest::newRow("drag") << Gesture::Drag << QList<int>{2, 3, 4, 5};
  QTest::newRow("Shift+click") << Gesture::ShiftClick << QList<int>{2, 2, 5, 3};
  QTest::newRow("row headings") << Gesture::RowHeadings << QList<int>{2, 1, 4, 12};
  QTest::newRow("column heading") << Gesture::ColumnHeading << QList<int>{1, 6, 16, 6};
  QTest::newRow("corner") << Gesture::Corner << QList<int>{1, 1, 16, 12};
}

void GridCtrlTest::rangeSelection() {
  QFETCH(Gesture, gesture);
  QFETCH(QList<int>, range);
  const auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  grid->EnableSelection(true);
  grid->SetFocusCell(2, 3);
  QWidget* viewport = grid->viewport();
  const auto click = [&](int row, int column, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(viewport, Qt::LeftButton, modifiers, Centre(grid->CellRect(row, column)));
  };
  switch (gesture) {
    case Gesture::ShiftKeys:
      QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
      QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
      break;
    case Gesture::Drag:
      SendMouse(viewport, QEvent::MouseButtonPress, Centre(grid->CellRect(2, 3)), Qt::LeftButton, Qt::LeftButton);
      SendMouse(viewport, QEvent::MouseMove, Centre(grid->CellRect(4, 5)), Qt::NoButton, Qt::LeftButton);
      SendMouse(viewport, QEvent::MouseButtonRelease, Centre(grid->CellRect(4, 5)), Qt::LeftButton, Qt::NoButton);
      break;
    case Gesture::ShiftClick: click(5, 2, Qt::ShiftModifier); break;
    case Gesture::RowHeadings:
      click(2, 0);
      click(4, 0, Qt::ShiftModifier);
      break;
    case Gesture::ColumnHeading: click(0, 6); break;
    case Gesture::Corner: click(0, 0); break;
  }
  const GridRange selected = grid->SelectedRange();
  QCOMPARE(QList<int>({selected.top, selected.left, selected.bottom, selected.right}), range);
  QVERIFY(window->edits.empty());  // selecting is no request to edit
  for (int row = 1; row < kRows; ++row) {
    for (int column = 1; column < kColumns; ++column)
      QCOMPARE(bool(grid->GetItemState(row, column) & grid_state::kSelected), selected.Contains(row, column));
  }
  // The selection shows: the cell away from the focus cell in the highlight colour.
  const QRect far = grid->CellRect(range[0] == grid->FocusRow() ? range[2] : range[0],
                                   range[1] == grid->FocusColumn() ? range[3] : range[1]);
  QVERIFY(CountPixels(Grab(viewport, far), QRect(QPoint(0, 0), far.size() - QSize(2, 2)),
                      grid->palette().color(QPalette::Highlight)) > far.width());
  // A plain move collapses it to the focus cell.
  QTest::keyClick(grid, Qt::Key_Up);
  QCOMPARE(grid->SelectedRange().CellCount(), 1);
}

void GridCtrlTest::clipboardKeysOnlyWhenEnabled() {
  const auto window = ShowGrid();
  QVERIFY(window);
  CGridCtrl* grid = window->grid;
  QSignalSpy pastes(grid, &CGridCtrl::pasteRequested);
  QSignalSpy deletes(grid, &CGridCtrl::deleteRequested);
  grid->EnableSelection(true);
  grid->SetSelectedRange(3, 2, 2, 4);
  QApplication::clipboard()->setText(QStringLiteral("before"));
  for (const Qt::Key key : {Qt::Key_C, Qt::Key_V}) QTest::keyClick(grid, key, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_Delete);
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
  QCOMPARE(pastes.count() + deletes.count(), 0);

  grid->EnableClipboard(true);
  QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("2.2\t2.3\t2.4\n3.2\t3.3\t3.4"));
  QApplication::clipboard()->setText(QStringLiteral("pasted"));
  QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(grid, Qt::Key_Delete);
  QCOMPARE(pastes.count(), 1);
  QCOMPARE(pastes.at(0).at(0).toString(), QStringLiteral("pasted"));
  QCOMPARE(deletes.count(), 1);
  QVERIFY(window->edits.empty());
}

QTEST_MAIN(GridCtrlTest)
#include "grid_ctrl_test.moc"
