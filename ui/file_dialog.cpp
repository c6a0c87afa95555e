#include "ui/file_dialog.h"

#include <QFileDialog>

namespace {

FileDialogAnswerer& Answerer() {
  static FileDialogAnswerer answerer;
  return answerer;
}

}  // namespace

void SetFileDialogAnswerer(FileDialogAnswerer answerer) { Answerer() = std::move(answerer); }

std::optional<std::filesystem::path> AskDataFileName(QWidget* parent, const FileDialogCall& call) {
  if (Answerer()) return Answerer()(call);
  QFileDialog dialog(parent);
  dialog.setNameFilters({QString::fromLatin1(kDataFileFilter), QString::fromLatin1(kAllFilesFilter)});
  if (call.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(kDataFileSuffix));
    if (!call.proposed.empty()) dialog.selectFile(QString::fromStdString(call.proposed.string()));
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}
