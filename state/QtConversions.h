#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "FileItem.h"
#include "FileLocation.h"

/// The one place where the engine's UTF-8 strings and paths meet Qt's strings.
namespace QtConversions {

inline QString toQString(const std::string &text)
{
    return QString::fromStdString(text);
}
inline std::string toStdString(const QString &text)
{
    return text.toStdString();
}
inline QString toQString(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}
inline QString toQString(const FileLocation &location)
{
    const std::string_view text = location.text();
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::filesystem::path toPath(const QString &path)
{
    return std::filesystem::path(path.toStdString());
}

/// A point in time of the file layer as a date-time in UTC (views show it in the local zone), to the millisecond.
inline QDateTime toQDateTime(TimePoint time)
{
    const auto milliseconds = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch());
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(milliseconds.count()), Qt::UTC);
}

/// Each string converted, in order.
template <typename Strings> QStringList toQStringList(const Strings &texts)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string &text : texts)
        list.append(toQString(text));
    return list;
}
inline std::vector<std::string> toStdStrings(const QStringList &texts)
{
    std::vector<std::string> strings;
    strings.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString &text : texts)
        strings.push_back(toStdString(text));
    return strings;
}

} // namespace QtConversions
