#pragma once
// The per-user settings of the desktop program (an INI file in the user's configuration
// folder): the recent files and the choices a window remembers.

#include <QSettings>
#include <memory>

inline constexpr char kUserSettingsName[] = "Dolmar radio program software";

inline std::unique_ptr<QSettings> OpenUserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(kUserSettingsName),
                                     QStringLiteral("Corvane"));
}
