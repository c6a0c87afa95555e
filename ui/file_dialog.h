#pragma once
// The Open and Save As file dialogs: data files, password files, PDF printouts. Tests
// install an answerer that picks the file instead of the user.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QWidget;

// Filters of both dialogs, as the document's file type names them.
inline constexpr char kDataFileFilter[] = "Radio Program Data Files(*.vxp)";
inline constexpr char kAllFilesFilter[] = "All Files (*.*)";
inline constexpr char kDataFileSuffix[] = "vxp";
inline constexpr char kPdfFileFilter[] = "PDF Files|*.pdf||";
inline constexpr char kCsvFileFilter[] = "CSV Files|*.csv||";

struct FileDialogCall {
  bool save = false;
  std::filesystem::path proposed;  // Save As: the name offered
  // AskFileName: the file type as "Name|patterns|...||" (patterns separated by ';').
  std::string filter = {};
  // AskFileName, Save As: the extension given to a name typed without one ("": none).
  std::string defaultSuffix = {};
};

// Returns the chosen file, or nullopt for Cancel.
using FileDialogAnswerer = std::function<std::optional<std::filesystem::path>(const FileDialogCall&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

std::optional<std::filesystem::path> AskDataFileName(QWidget* parent, const FileDialogCall& call);

// Open (the file must exist) or Save As for another kind of file than the data files,
// of the type call.filter names.
std::optional<std::filesystem::path> AskFileName(QWidget* parent, const FileDialogCall& call);

// Where to save a PDF printout; `proposed` is the name offered.
std::optional<std::filesystem::path> AskPdfFileName(QWidget* parent, const std::filesystem::path& proposed);
