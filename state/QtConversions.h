#pragma once

#include <filesystem>
#include <string>

#include <QString>

/// The one place where the engine's UTF-8 strings and paths meet Qt's strings.
namespace QtConversions {

inline QString toQString(const std::string &text) { return QString::fromStdString(text); }
inline std::string toStdString(const QString &text) { return text.toStdString(); }
inline QString toQString(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }
inline std::filesystem::path toPath(const QString &path) { return std::filesystem::path(path.toStdString()); }

} // namespace QtConversions
