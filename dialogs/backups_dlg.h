#pragma once
// CBackupsDlg: the radio backups, newest first (date and time, model, used channels, voice
// package). Open hands the chosen one to the caller, which opens it as a new, untitled
// configuration; a button opens the backup folder in the desktop's file manager.

#include <QDialog>
#include <filesystem>
#include <optional>

class AppFiles;
class CVoicePackage;
class QTreeWidget;

class CBackupsDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kListLabelId = 1400;
  static constexpr int kListId = 1401;
  static constexpr int kFolderId = 1402;
  static constexpr int kOpenFolderId = 1403;
  enum Column { kTimeColumn, kModelColumn, kChannelsColumn, kVoiceColumn, kColumnCount };

  // folder: where the backups are (nullopt when the user has no data folder).
  CBackupsDlg(const AppFiles& files, const CVoicePackage& voices, std::optional<std::filesystem::path> folder,
              QWidget* parent = nullptr);

  QTreeWidget& List() const;
  // After Open: the backup chosen.
  const std::filesystem::path& ChosenPath() const { return chosen_; }

 private:
  void OnOpen();
  void OnOpenFolder();

  const AppFiles& files_;
  std::optional<std::filesystem::path> folder_;
  std::filesystem::path chosen_;
};
