#include "dialogs/compare_dlg.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "settings/app_files.h"
#include "ui/qt_text.h"

CCompareDlg::CCompareDlg(const AppFiles& files, const std::vector<config_dump::Difference>& differences,
                         const std::string& otherName, QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(static_cast<int>(differences.size()), 3, this)) {
  const LanguageTexts texts = files.Texts();
  setWindowTitle(ToQString(texts.GetText("IDS_COMPARE_TITLE")));
  table_->setHorizontalHeaderLabels({ToQString(texts.GetText("IDS_COMPARE_SETTING")),
                                     ToQString(texts.GetText("IDS_COMPARE_THIS")), ToQString(otherName)});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->hide();
  for (int row = 0; row < table_->rowCount(); ++row) {
    const config_dump::Difference& difference = differences[static_cast<std::size_t>(row)];
    const std::string cells[] = {config_dump::Name({difference.key, {}, false}, texts), difference.first,
                                 difference.second};
    for (int column = 0; column < 3; ++column) {
      auto* item = new QTableWidgetItem(ToQString(cells[column]));
      // The key says which control a name stands for, also where two languages are in use.
      item->setToolTip(QString::fromStdString(difference.key));
      table_->setItem(row, column, item);
    }
  }
  table_->resizeColumnsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);

  auto* close = new QPushButton(ToQString(texts.GetText("IDS_COMPARE_CLOSE")), this);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(close, 0, Qt::AlignRight);
  resize(640, 420);
}
