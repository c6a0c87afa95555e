#pragma once
// The core speaks UTF-8 std::string; Qt speaks QString.

#include <QString>
#include <string>
#include <string_view>

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }
