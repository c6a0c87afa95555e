#pragma once
// The Open and Save As file dialogs for data files, and the save dialog of a PDF
// printout. Tests install an answerer that picks the file instead of the user.

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

// Filters of both dialogs, as the document's file type names them.
inline constexpr char kDataFileFilter[] = "Radio Program Data Files(*.vxp)";
inline constexpr char kAllFilesFilter[] = "All Files (*.*)";
inline constexpr char kDataFileSuffix[] = "vxp";
inline constexpr char kPdfFileFilter[] = "PDF Files (*.pdf)";
inline constexpr char kPdfFileSuffix[] = "pdf";

enum class FileKind { DataFile, Pdf };

struct FileDialogCall {
  bool save = false;
  std::filesystem::path proposed;  // Save As: the name offered
  FileKind kind = FileKind::DataFile;
};

// Returns the chosen file, or nullopt for Cancel.
using FileDialogAnswerer = std::function<std::optional<std::filesystem::path>(const FileDialogCall&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

std::optional<std::filesystem::path> AskDataFileName(QWidget* parent, const FileDialogCall& call);

// Where to save a PDF printout; `proposed` is the name offered.
std::optional<std::filesystem::path> AskPdfFileName(QWidget* parent, const std::filesystem::path& proposed);
