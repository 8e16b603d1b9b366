#include "SettingsStoreQt.h"

#include <utility>

#include <QByteArray>
#include <QSettings>
#include <QVariant>

#include "QtConversions.h"

SettingsStoreQt::SettingsStoreQt()
    // The file of QSettings("Quorvane", "Quorvane"), so every part of the application shares one store. On Linux
    // that native format is the INI format, which is how the file is opened afterwards.
    : m_fileName(QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")).fileName())
{
}

SettingsStoreQt::SettingsStoreQt(QString fileName)
    : m_fileName(std::move(fileName))
{
}

std::optional<std::string> SettingsStoreQt::bytes(const std::string &key) const
{
    // A QSettings per call is cheap (Qt shares the parsed file within the process) and keeps every call's
    // status its own, so one failed write does not taint later ones.
    const QSettings settings(m_fileName, QSettings::IniFormat);
    const QVariant value = settings.value(QtConversions::toQString(key));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray data = value.toByteArray();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

bool SettingsStoreQt::setBytes(const std::string &key, const std::string &value)
{
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.setValue(QtConversions::toQString(key), QByteArray(value.data(), static_cast<qsizetype>(value.size())));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
