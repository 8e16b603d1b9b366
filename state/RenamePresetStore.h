#pragma once

#include <string>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "RenameParameters.h"
#include "RenamePreset.h"
#include "SettingsStore.h"

/// The saved presets, newest first, kept in a settings store under one key as a data blob holding a compact
/// JSON array of the presets' stored form. Every change is written at once. Main thread only.
class RenamePresetStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenamePresetStore)

public:
    /// The key the application keeps its presets under.
    static constexpr const char *defaultStorageKey = "quorvane.renamePresets.v1";

    /// Loads the presets stored under `storageKey` in `defaults` (not owned; must outlive the store). Missing,
    /// non-blob or undecodable data (one bad element is enough) gives an empty list, and is left stored as it
    /// is until the next change replaces it.
    explicit RenamePresetStore(
        SettingsStore &defaults, std::string storageKey = defaultStorageKey, QObject *parent = nullptr);

    /// The presets, newest first.
    const QList<RenamePreset> &presets() const { return m_presets; }
    /// The key of the list in the settings store.
    const std::string &storageKey() const { return m_storageKey; }

    /// Creates a preset with a fresh id, puts it first and writes the list. The name is trimmed of white space
    /// and line breaks at both ends; an empty result becomes "Untitled Preset". The other values are kept as
    /// given. Returns the new preset. A failed write is silent: the preset still exists in memory.
    RenamePreset savePreset(const QString &name, const RenameParameters &parameters, bool includeSubfolders,
        const QStringList &includeExtensions);
    /// Removes every preset with this id, keeping the order of the rest; writes (and announces) only when
    /// something was removed.
    void deletePreset(const QUuid &id);

Q_SIGNALS:
    /// Emitted just before `presets` changes.
    void presetsAboutToChange();
    /// Emitted just after `presets` changed.
    void presetsChanged();

private:
    void loadPresets();
    void persistPresets();

    SettingsStore &m_defaults;
    std::string m_storageKey;
    QList<RenamePreset> m_presets;
};
