#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "RenameParameters.h"
#include "RenamePreset.h"
#include "SettingsStore.h"

/// The saved presets, newest first, kept in a settings store as data blobs holding compact JSON arrays. The
/// presets that an earlier release (one strategy per preset) can represent are kept under `storageKey` in the
/// form it reads; `rulesKey()` holds the whole list in order, each preset there either as {"id": ...}, a
/// reference to its element under `storageKey`, or whole with its "rules" when the other array leaves it out.
/// An earlier release thus shows and keeps every preset it can represent; a preset it saved later (an id no
/// reference names) comes first, and one it deleted (a reference to a missing id) is gone. Without
/// `rulesKey()`, each stored preset is a one-rule preset. Every change is written at once, as a read-modify-write under
/// the store's lock: the change is made to the list stored now, so presets saved meanwhile by another process (the
/// command line) are kept, and the list shown becomes that result. A stored blob that does not decode is never
/// overwritten unseen: before the first write over it, it is copied under `backupKey()` (or a numbered variant
/// when that key already holds another blob), and this is reported on standard error and in the log. Main
/// thread only.
class RenamePresetStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenamePresetStore)

public:
    /// The key the application keeps its presets under.
    static constexpr const char *defaultStorageKey = "quorvane.renamePresets.v1";

    /// Loads the presets stored under `storageKey` in `defaults` (not owned; must outlive the store). Missing,
    /// non-blob or undecodable data (one bad element is enough) gives an empty list; undecodable data is
    /// reported to the log and left stored as it is until the next change backs it up and replaces it.
    explicit RenamePresetStore(
        SettingsStore &defaults, std::string storageKey = defaultStorageKey, QObject *parent = nullptr);

    /// The presets, newest first.
    const QList<RenamePreset> &presets() const { return m_presets; }
    /// The key of the list in the settings store.
    const std::string &storageKey() const { return m_storageKey; }
    /// The key an undecodable list is kept under before it is replaced: `storageKey` + ".unreadable".
    std::string backupKey() const { return m_storageKey + ".unreadable"; }
    /// The key of the rule lists' array: `storageKey` + ".rules" (its unreadable copy: + ".rules.unreadable").
    std::string rulesKey() const { return m_storageKey + ".rules"; }
    /// Why the last write failed ("No space left on device"), or nothing when it succeeded.
    const std::optional<std::string> &lastWriteError() const { return m_lastWriteError; }

    /// Creates a preset with a fresh id, puts it first and writes the list. The name is trimmed of white space
    /// and line breaks at both ends; an empty result becomes "Untitled Preset". The other values are kept as
    /// given. Returns the new preset. After a failed write (see `lastWriteError`) the preset still exists in
    /// memory.
    RenamePreset savePreset(const QString &name, const RenameParameters &parameters, bool includeSubfolders,
        const QStringList &includeExtensions);
    /// The same with a whole rule list (a list of one enabled rule is the preset of that rule's settings) and the
    /// order the files are numbered in.
    RenamePreset savePreset(const QString &name, const RenameRuleList &rules, bool includeSubfolders,
        const QStringList &includeExtensions, FileOrder order = FileOrder::name, bool orderAscending = true);
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
    void persistChange(const std::function<void(QList<RenamePreset> &presets)> &change);

    SettingsStore &m_defaults;
    std::string m_storageKey;
    QList<RenamePreset> m_presets;
    std::optional<std::string> m_lastWriteError;
    /// Presets that exist in memory only, because writing them failed.
    QSet<QUuid> m_unsavedIds;
};
