#include "pages/tavro_pgm_view.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QShortcut>
#include <algorithm>
#include <ctime>
#include <utility>

#include "pages/dlg_ch.h"
#include "pages/dlg_func.h"
#include "pages/dlg_key_setting.h"
#include "pages/dlg_tone.h"
#include "settings/app_files.h"
#include "ui/grid_ctrl.h"
#include "ui/qt_text.h"

namespace {

// The printout's serif face; the metric-compatible free faces stand in where the
// classic one is not installed.
QFont PrintFont(int pixelHeight) {
  QFont font(QStringLiteral("Times New Roman"));
  font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
  font.setStyleHint(QFont::Serif);
  font.setPixelSize(pixelHeight);
  font.setWeight(QFont::Normal);
  return font;
}

}  // namespace

CMyTab::CMyTab(QWidget* parent) : QTabWidget(parent) {
  // The page switches work wherever the focus is on a page: a list or a text field would
  // otherwise take Ctrl+PgUp or Ctrl+Shift+Tab for itself, and the user would be stuck.
  const std::pair<QKeySequence, int> switches[] = {{QKeySequence(Qt::CTRL | Qt::Key_PageDown), +1},
                                                   {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
                                                   {QKeySequence(Qt::CTRL | Qt::Key_Tab), +1},
                                                   {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1}};
  for (const auto& [keys, step] : switches) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, step = step] {
      if (count() > 0) setCurrentIndex((currentIndex() + step + count()) % count());
    });
  }
}

void CMyTab::AddPage(const QString& caption, CPage* page) {
  // The first page added is the one shown; later ones wait behind their tabs.
  addTab(page, caption);
}

CPage* CMyTab::Page(int index) const { return qobject_cast<CPage*>(widget(index)); }

void CMyTab::keyPressEvent(QKeyEvent* event) {
  // Ctrl+PgDown and Ctrl+PgUp switch pages as Ctrl+Tab and Ctrl+Shift+Tab do.
  const int key = event->key();
  if (event->modifiers() == Qt::ControlModifier && (key == Qt::Key_PageDown || key == Qt::Key_PageUp)) {
    QKeyEvent tab(QEvent::KeyPress, key == Qt::Key_PageDown ? Qt::Key_Tab : Qt::Key_Backtab, Qt::ControlModifier);
    QTabWidget::keyPressEvent(&tab);
    event->setAccepted(tab.isAccepted());
    return;
  }
  QTabWidget::keyPressEvent(event);
}

CTavroPgmView::CTavroPgmView(const PageContext& context, QWidget* parent)
    : QScrollArea(parent), context_(context), form_(new QWidget) {
  setFrameShape(QFrame::NoFrame);
  BuildFromTemplate(form_, dialog_id::kMainForm, [this](const ControlTemplate& entry, QWidget* parent) -> QWidget* {
    if (entry.kind != ControlKind::Tab) return nullptr;
    tabs_ = new CMyTab(parent);
    return tabs_;
  });
  form_->setMinimumSize(form_->size());
  setWidget(form_);
  setWidgetResizable(true);
}

QString CTavroPgmView::Caption(int index) const {
  return ToQString(context_.files.GetText(kCaptionKeys[static_cast<std::size_t>(index)]));
}

QSize CTavroPgmView::FormSize() const { return form_->minimumSize(); }

void CTavroPgmView::OnInitialUpdate() {
  OnUpdate();  // nothing while a page is missing
  if (pages_[0] == nullptr) CreatePages();
}

void CTavroPgmView::CreatePages() {
  auto* channels = new CDlgCh(context_, tabs_);
  connect(channels, &CDlgCh::documentReplaced, this, &CTavroPgmView::documentReplaced);
  pages_ = {channels, new CDlgFunc(context_, tabs_), new CDlgKeySetting(context_, tabs_),
            new CDlgTone(context_, tabs_)};
  for (int index = 0; index < kPageCount; ++index) {
    Page(index)->LoadFromImage();
    tabs_->AddPage(Caption(index), Page(index));
  }
}

void CTavroPgmView::OnUpdate() {
  if (std::find(pages_.begin(), pages_.end(), nullptr) != pages_.end()) return;
  for (CPage* page : pages_) page->LoadFromImage();
  for (int index = 0; index < kPageCount; ++index) {
    // An unchanged caption is not set again: each new text lays the tab bar out anew.
    const QString caption = Caption(index);
    if (tabs_->tabText(index) != caption) tabs_->setTabText(index, caption);
  }
  for (CPage* page : pages_) page->update();
}

void CTavroPgmView::ShowDumpKey(const std::string& key) {
  const QStringList parts = QString::fromStdString(key).split(QLatin1Char('.'));
  bool isPage = false;
  const int templateId = parts.value(0).toInt(&isPage);
  for (int index = 0; isPage && index < kPageCount && pages_[0] != nullptr; ++index) {
    if (Page(index)->TemplateId() != templateId) continue;
    tabs_->setCurrentIndex(index);
    bool isChannel = false;
    bool isColumn = false;
    const int channel = parts.value(1).toInt(&isChannel);
    const int column = parts.value(2).toInt(&isColumn);
    if (index == 0 && parts.size() == 3 && isChannel && isColumn) {
      ChannelPage().Grid().SetFocusCell(channel, column);
      ChannelPage().Grid().EnsureVisible(channel, column);
    }
    return;
  }
}

CDlgCh& CTavroPgmView::ChannelPage() const { return *static_cast<CDlgCh*>(pages_[0]); }

int CTavroPgmView::OnPreparePrinting() const {
  return pages_[0] == nullptr ? 1 : print_layout::PageCount(ChannelPage().UsedRows().size());
}

void CTavroPgmView::OnBeginPrinting(QPainter& painter) {
  using namespace print_layout;
  const QFontMetrics metrics(PrintFont(kMeasureFontHeight), painter.device());
  const int width = metrics.horizontalAdvance(QString::fromLatin1(kMeasureText)) / kMeasureTextLength;
  printMetrics_ = Metrics(ChannelPage().Grid().GetVirtualWidth(), width, metrics.height(), painter.device()->width(),
                          painter.device()->height());
}

void CTavroPgmView::OnPrint(QPainter& painter, int page) {
  const print_layout::PageMetrics& metrics = printMetrics_;
  const int headerHeight = ChannelPage().Grid().GetFixedRowHeight();
  painter.save();
  painter.setFont(PrintFont(print_layout::kPageFontHeight));
  // The grid's screen pixels and both margins fill the printable width; vertical
  // distances scale alike.
  painter.setWindow(-metrics.Margin(), 0, metrics.logicalWidth, metrics.logicalHeight);
  painter.setViewport(0, 0, metrics.deviceWidth, metrics.deviceHeight);
  painter.drawText(QRect(0, 0, metrics.ContentWidth(), headerHeight), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromLocal8Bit(print_layout::TimeStamp(std::time(nullptr))));
  painter.translate(0, headerHeight);
  ChannelPage().PrintChannels(painter, page);
  painter.restore();
}

void CTavroPgmView::OnEndPrinting() { printMetrics_ = {}; }

bool CTavroPgmView::PrintPages(QPagedPaintDevice& device, int fromPage, int toPage) {
  if (pages_[0] == nullptr) return false;
  const int pages = OnPreparePrinting();
  const int first = std::clamp(fromPage, 1, pages);
  const int last = toPage > 0 ? std::clamp(toPage, first, pages) : pages;
  QPainter painter;
  if (!painter.begin(&device)) return false;
  OnBeginPrinting(painter);
  for (int page = first; page <= last; ++page) {
    if (page > first) device.newPage();
    OnPrint(painter, page);
  }
  OnEndPrinting();
  return painter.end();
}
