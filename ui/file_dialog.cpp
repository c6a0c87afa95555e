#include "ui/file_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include "ui/qt_text.h"

namespace {

FileDialogAnswerer& Answerer() {
  static FileDialogAnswerer answerer;
  return answerer;
}

// "Name|*.a;*.b|Other|*.c||" as Qt's name filters "Name (*.a *.b)", "Other (*.c)".
QStringList NameFilters(const std::string& filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
    if (parts[k].isEmpty()) break;
    QString patterns = parts[k + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters.append(parts[k] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  return filters;
}

std::optional<std::filesystem::path> Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

void SetMode(QFileDialog& dialog, const FileDialogCall& call) {
  if (call.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!call.proposed.empty()) dialog.selectFile(QString::fromStdString(call.proposed.string()));
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
}

}  // namespace

void SetFileDialogAnswerer(FileDialogAnswerer answerer) { Answerer() = std::move(answerer); }

std::optional<std::filesystem::path> AskDataFileName(QWidget* parent, const FileDialogCall& call) {
  if (Answerer()) return Answerer()(call);
  QFileDialog dialog(parent);
  dialog.setNameFilters({QString::fromLatin1(kDataFileFilter), QString::fromLatin1(kAllFilesFilter)});
  SetMode(dialog, call);
  if (call.save) dialog.setDefaultSuffix(QString::fromLatin1(kDataFileSuffix));
  return Chosen(dialog);
}

std::optional<std::filesystem::path> AskFileName(QWidget* parent, const FileDialogCall& call) {
  if (Answerer()) return Answerer()(call);
  QFileDialog dialog(parent);
  dialog.setNameFilters(NameFilters(call.filter));
  SetMode(dialog, call);
  if (call.save && !call.defaultSuffix.empty()) dialog.setDefaultSuffix(ToQString(call.defaultSuffix));
  return Chosen(dialog);
}

std::optional<std::filesystem::path> AskPdfFileName(QWidget* parent, const std::filesystem::path& proposed) {
  return AskFileName(parent, FileDialogCall{true, proposed, kPdfFileFilter, "pdf"});
}
