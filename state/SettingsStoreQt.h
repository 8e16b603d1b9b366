#pragma once

#include <optional>
#include <string>

#include <QString>

#include "SettingsStore.h"

/// The user's settings in a QSettings INI file. Byte strings are stored as QByteArray values, so another program
/// reading the file sees them as data blobs; a value of any other type reads as absent.
class SettingsStoreQt final : public SettingsStore {
public:
    /// The application's settings: the INI file of QSettings("Quorvane", "Quorvane") in the XDG config
    /// folder ($XDG_CONFIG_HOME/Quorvane/Quorvane.conf, ~/.config by default).
    SettingsStoreQt();
    /// The settings in the INI file at `fileName` (created on the first write).
    explicit SettingsStoreQt(QString fileName);

    std::optional<std::string> bytes(const std::string &key) const override;
    /// Stores the value and writes the file at once; false when the file could not be written.
    [[nodiscard]] bool setBytes(const std::string &key, const std::string &value) override;

    /// The absolute path of the INI file.
    const QString &fileName() const { return m_fileName; }

private:
    QString m_fileName;
};
