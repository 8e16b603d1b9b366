#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include <QCoreApplication>

/// A text of quorvane-cli in the user's language (English without a translation), with %1, %2, ... replaced by
/// `arguments` in order. Sources are written as QT_TRANSLATE_NOOP("quorvane-cli", "...") so that lupdate finds
/// them.
inline std::string cliText(const char *source, std::initializer_list<std::string_view> arguments = {})
{
    QString text = QCoreApplication::translate("quorvane-cli", source);
    for (const std::string_view argument : arguments)
        text = text.arg(QString::fromUtf8(argument.data(), static_cast<qsizetype>(argument.size())));
    return text.toStdString();
}
