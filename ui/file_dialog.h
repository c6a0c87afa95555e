#pragma once
// The Open and Save As file dialogs for data files. Tests install an answerer that
// picks the file instead of the user.

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

// Filters of both dialogs, as the document's file type names them.
inline constexpr char kDataFileFilter[] = "Radio Program Data Files(*.vxp)";
inline constexpr char kAllFilesFilter[] = "All Files (*.*)";
inline constexpr char kDataFileSuffix[] = "vxp";

struct FileDialogCall {
  bool save = false;
  std::filesystem::path proposed;  // Save As: the name offered
};

// Returns the chosen file, or nullopt for Cancel.
using FileDialogAnswerer = std::function<std::optional<std::filesystem::path>(const FileDialogCall&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

std::optional<std::filesystem::path> AskDataFileName(QWidget* parent, const FileDialogCall& call);
