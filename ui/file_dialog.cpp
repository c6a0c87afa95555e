#include "ui/file_dialog.h"

#include <QFileDialog>

namespace {

FileDialogAnswerer& Answerer() {
  static FileDialogAnswerer answerer;
  return answerer;
}

std::optional<std::filesystem::path> AskFileName(QWidget* parent, const FileDialogCall& call) {
  if (Answerer()) return Answerer()(call);
  const bool pdf = call.kind == FileKind::Pdf;
  QFileDialog dialog(parent);
  dialog.setNameFilters({QString::fromLatin1(pdf ? kPdfFileFilter : kDataFileFilter), QString::fromLatin1(kAllFilesFilter)});
  if (call.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(pdf ? kPdfFileSuffix : kDataFileSuffix));
    if (!call.proposed.empty()) dialog.selectFile(QString::fromStdString(call.proposed.string()));
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

}  // namespace

void SetFileDialogAnswerer(FileDialogAnswerer answerer) { Answerer() = std::move(answerer); }

std::optional<std::filesystem::path> AskDataFileName(QWidget* parent, const FileDialogCall& call) {
  return AskFileName(parent, call);
}

std::optional<std::filesystem::path> AskPdfFileName(QWidget* parent, const std::filesystem::path& proposed) {
  return AskFileName(parent, FileDialogCall{true, proposed, FileKind::Pdf});
}
