#pragma once
// CTavroPgmView: the main window's client, a form holding the tab control with the
// four editing pages. The pages are created once; whenever the document changes as
// a whole the view reloads them in tab order.

#include <QScrollArea>
#include <QTabWidget>
#include <array>
#include <string>

#include "pages/page.h"
#include "pages/print_layout.h"

class CDlgCh;
class QPagedPaintDevice;
class QPainter;

// The tab control: each tab carries its page.
class CMyTab : public QTabWidget {
  Q_OBJECT

 public:
  explicit CMyTab(QWidget* parent = nullptr);
  void AddPage(const QString& caption, CPage* page);
  CPage* Page(int index) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class CTavroPgmView : public QScrollArea {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 4;
  // Caption keys of tabs 0 to 3.
  static constexpr std::array<const char*, kPageCount> kCaptionKeys{"IDS_CHANINFO", "IDS_FUNCTION",
                                                                     "IDS_ScanVoxDtmf", "IDS_DLGTONE"};

  CTavroPgmView(const PageContext& context, QWidget* parent = nullptr);

  // For every new or opened document: the pages are created the first time; then reload.
  void OnInitialUpdate();
  // Reloads every page in tab order and re-reads the tab captions.
  void OnUpdate();

  CMyTab& Tabs() { return *tabs_; }
  CPage* Page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
  QSize FormSize() const;
  // Shows the control a dump key names ("150.3.1", "151.1042"): its page, and for a
  // channel cell that cell as the grid's focus cell. Other keys change nothing.
  void ShowDumpKey(const std::string& key);

  // Printing the channel table in the framework's steps; PrintPages runs them all.
  // The number of pages the used channels fill.
  int OnPreparePrinting() const;
  // Measures the print font on the printer and lays out the logical page.
  void OnBeginPrinting(QPainter& painter);
  // The time stamp, then the channel page's part of page 1 or 2.
  void OnPrint(QPainter& painter, int page);
  void OnEndPrinting();
  // Prints pages fromPage to toPage (0: from the first, to the last) on a printer, a
  // preview or a PDF file; false when the device cannot be painted on.
  bool PrintPages(QPagedPaintDevice& device, int fromPage = 0, int toPage = 0);
  const print_layout::PageMetrics& PrintMetrics() const { return printMetrics_; }

 signals:
  // A page replaced the image as a whole (model change): every page reloads.
  void documentReplaced();

 private:
  void CreatePages();
  CDlgCh& ChannelPage() const;
  // The caption of tab `index`, read from the language file now.
  QString Caption(int index) const;

  PageContext context_;
  QWidget* form_;
  CMyTab* tabs_ = nullptr;
  std::array<CPage*, kPageCount> pages_{};
  print_layout::PageMetrics printMetrics_;
};
