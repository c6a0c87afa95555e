#include "dialogs/backups_dlg.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <cerrno>

#include "link/voice_package.h"
#include "radio/backups.h"
#include "settings/app_files.h"
#include "settings/file_io.h"
#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace {

// The voice package a backup names: its name among the packages beside the program, else
// its identifier in hexadecimal.
QString VoicePackageText(const CVoicePackage& voices, const std::array<std::uint8_t, block::kVoiceIdSize>& id) {
  const int index = voices.IndexOf(id);
  if (index >= 0) return ToQString(voices.FirstNames()[static_cast<std::size_t>(index)]);
  QString hex;
  for (const std::uint8_t byte : id) hex += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
  return hex;
}

}  // namespace

CBackupsDlg::CBackupsDlg(const AppFiles& files, const CVoicePackage& voices,
                         std::optional<std::filesystem::path> folder, QWidget* parent)
    : QDialog(parent), files_(files), folder_(std::move(folder)) {
  BuildFromTemplate(this, dialog_id::kBackups);
  ApplyDialogTexts(this, dialog_id::kBackups, files_);
  const LanguageTexts texts = files_.Texts();

  QTreeWidget& list = List();
  auto* label = Control<QLabel>(this, kListLabelId);
  label->setBuddy(&list);
  list.setAccessibleName(label->text());
  QStringList headers(kColumnCount);
  headers[kTimeColumn] = ToQString(texts.GetText("IDS_BACKUP_TIME"));
  headers[kModelColumn] = ToQString(texts.GetText("IDS_BACKUP_MODEL"));
  headers[kChannelsColumn] = ToQString(texts.GetText("IDS_BACKUP_CHANNELS"));
  headers[kVoiceColumn] = ToQString(texts.GetText("IDS_BACKUP_VOICE"));
  list.setHeaderLabels(headers);

  const std::vector<backup::Entry> entries = folder_ ? backup::List(files_, *folder_) : std::vector<backup::Entry>{};
  for (const backup::Entry& entry : entries) {
    QStringList cells(kColumnCount);
    cells[kTimeColumn] = ToQString(backup::TimeText(entry.name));
    cells[kModelColumn] = ToQString(entry.model);
    cells[kChannelsColumn] = QString::number(entry.usedChannels);
    cells[kVoiceColumn] = VoicePackageText(voices, entry.voiceId);
    auto* item = new QTreeWidgetItem(&list, cells);
    item->setData(kTimeColumn, Qt::UserRole, QString::fromStdString(entry.path.string()));
    item->setToolTip(kTimeColumn, QString::fromStdString(entry.path.string()));
  }
  for (int column = 0; column < kColumnCount; ++column) list.resizeColumnToContents(column);
  if (list.topLevelItemCount() > 0) list.setCurrentItem(list.topLevelItem(0));

  const QString folderText = QString::fromStdString(folder_ ? folder_->string() : std::string());
  Control<QLabel>(this, kFolderId)
      ->setText(entries.empty() ? ToQString(texts.GetText("IDS_BACKUP_NONE")) + QLatin1Char(' ') + folderText
                                : folderText);
  Control<QLabel>(this, kFolderId)->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* open = Control<QPushButton>(this, kIdOk);
  open->setText(ToQString(texts.GetText("IDS_BACKUP_OPEN")));
  Control<QPushButton>(this, kIdCancel)->setText(ToQString(texts.GetText("IDS_COMPARE_CLOSE")));
  open->setEnabled(!entries.empty());
  connect(open, &QPushButton::clicked, this, &CBackupsDlg::OnOpen);
  connect(&list, &QTreeWidget::itemActivated, this, &CBackupsDlg::OnOpen);
  connect(Control<QPushButton>(this, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
  auto* openFolder = Control<QPushButton>(this, kOpenFolderId);
  openFolder->setEnabled(folder_.has_value());
  connect(openFolder, &QPushButton::clicked, this, &CBackupsDlg::OnOpenFolder);
}

QTreeWidget& CBackupsDlg::List() const { return *Control<QTreeWidget>(this, kListId); }

void CBackupsDlg::OnOpen() {
  const QTreeWidgetItem* item = List().currentItem();
  if (item == nullptr) return;
  chosen_ = item->data(kTimeColumn, Qt::UserRole).toString().toStdString();
  accept();
}

void CBackupsDlg::OnOpenFolder() {
  // Made when missing, so that the file manager has a folder to show before the first backup.
  int error = 0;
  if (file_io::MakeFolders(*folder_)) error = errno;
  if (error == 0 && QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder_->string())))) return;
  ShowFileError(this, files_, FileError{"IDS_BACKUP_NOFOLDER", *folder_, error});
}
