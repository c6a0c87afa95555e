#pragma once
// CTavroPgmView: the main window's client, a form holding the tab control with the
// four editing pages. The pages are created once; whenever the document changes as
// a whole the view reloads them in tab order.

#include <QScrollArea>
#include <QTabWidget>
#include <array>

#include "pages/page.h"

class CMainFrame;

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

 signals:
  // A page replaced the image as a whole (model change): every page reloads.
  void documentReplaced();

 private:
  void CreatePages();
  // The caption of tab `index`, read from the language file now.
  QString Caption(int index) const;

  PageContext context_;
  QWidget* form_;
  CMyTab* tabs_ = nullptr;
  std::array<CPage*, kPageCount> pages_{};
};
