#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QString>
#include <QVariant>

#include "SettingsStore.h"

class QSettings;

/// The user's settings in a QSettings INI file. Byte strings are stored as QByteArray values, so another program
/// reading the file sees them as data blobs; a value of any other type reads as absent.
///
/// Every write is a read-modify-write of the whole file under an advisory lock (`flock` on "<file>.writelock",
/// and QSettings' own "<file>.lock", so that neither another Quorvane process nor a plain QSettings writer comes
/// in between). The new text is written to a temporary file next to the settings file, flushed to disk, and only
/// a complete copy replaces the old one: a full disk or a read-only file leaves the old file as it was. Every
/// failed write is logged ("Quorvane could not save its settings: <reason>") and announced through
/// `SettingsWriteFailures`.
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
    /// Text is a plain string value in the file (numbers too, as QSettings writes them); byte strings do not read
    /// as text.
    std::optional<std::string> text(const std::string &key) const override;
    [[nodiscard]] std::optional<std::string> setText(const std::string &key, const std::string &value) override;
    [[nodiscard]] std::optional<std::string> update(const std::function<Changes(const Reader &read)> &change) override;

    /// The value under `key` of any type QSettings keeps (an invalid variant when absent).
    QVariant value(const QString &key) const;
    /// Stores values of any type QSettings keeps, as one write. Returns the reason of a failure, nothing on
    /// success.
    [[nodiscard]] std::optional<std::string> setValues(const std::vector<std::pair<QString, QVariant>> &values);

    /// The absolute path of the INI file.
    const QString &fileName() const { return m_fileName; }

private:
    std::optional<std::string> write(
        const std::function<std::vector<std::pair<QString, QVariant>>(QSettings &current)> &change);
    void withCurrentFile(const std::function<void(QSettings &current)> &use) const;

    QString m_fileName;
};
