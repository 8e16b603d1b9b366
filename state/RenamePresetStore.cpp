#include "RenamePresetStore.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "Log.h"

namespace {

const QString untitledPresetName = QStringLiteral("Untitled Preset");

// The whole list or nothing: one element that does not decode discards all of them, so a damaged list is
// never half shown and then half written back.
std::optional<QList<RenamePreset>> decodePresets(std::string_view data)
{
    try {
        const nlohmann::json json = nlohmann::json::parse(data, nullptr, false);
        if (json.is_discarded() || !json.is_array())
            return std::nullopt;
        QList<RenamePreset> presets;
        presets.reserve(static_cast<qsizetype>(json.size()));
        for (const nlohmann::json &element : json) {
            Result<RenamePreset> preset = RenamePreset::fromJson(element);
            if (!preset)
                return std::nullopt;
            presets.append(std::move(*preset));
        }
        return presets;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::optional<std::string> encodePresets(const QList<RenamePreset> &presets)
{
    try {
        nlohmann::json json = nlohmann::json::array();
        for (const RenamePreset &preset : presets)
            json.push_back(preset.toJson());
        return json.dump();
    } catch (const std::exception &) {
        // dump() refuses strings that are not valid UTF-8.
        return std::nullopt;
    }
}

} // namespace

RenamePresetStore::RenamePresetStore(SettingsStore &defaults, std::string storageKey, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_storageKey(std::move(storageKey))
{
    loadPresets();
}

RenamePreset RenamePresetStore::savePreset(const QString &name, const RenameParameters &parameters,
    bool includeSubfolders, const QStringList &includeExtensions)
{
    const QString trimmed = name.trimmed();
    RenamePreset preset { QUuid::createUuid(), trimmed.isEmpty() ? untitledPresetName : trimmed, parameters,
        includeSubfolders, includeExtensions };
    Q_EMIT presetsAboutToChange();
    persistChange([&preset](QList<RenamePreset> &presets) { presets.prepend(preset); });
    Q_EMIT presetsChanged();
    return preset;
}

void RenamePresetStore::deletePreset(const QUuid &id)
{
    const auto matches = [&id](const RenamePreset &preset) { return preset.id == id; };
    if (std::none_of(m_presets.cbegin(), m_presets.cend(), matches))
        return;
    Q_EMIT presetsAboutToChange();
    persistChange([&matches](QList<RenamePreset> &presets) { presets.removeIf(matches); });
    Q_EMIT presetsChanged();
}

void RenamePresetStore::loadPresets()
{
    // Nothing is written back here: an undecodable blob stays as it is until the next change backs it up.
    const std::optional<std::string> data = m_defaults.bytes(m_storageKey);
    if (!data)
        return;
    if (std::optional<QList<RenamePreset>> decoded = decodePresets(*data))
        m_presets = std::move(*decoded);
    else
        logMessage("The saved presets under \"" + m_storageKey
            + "\" cannot be read; none are shown. They are kept "
              "and will be copied to \""
            + backupKey() + "\" before the list is next saved.");
}

void RenamePresetStore::persistChange(const std::function<void(QList<RenamePreset> &presets)> &change)
{
    // The change is made to what is stored now, read under the store's lock, so that a preset another process
    // saved since this list was loaded survives; presets whose own write failed earlier are added back, newest
    // first. Without a readable list the change applies to the list shown.
    std::optional<QList<RenamePreset>> result;
    QSet<QUuid> storedIds;
    m_lastWriteError = m_defaults.update([&](const SettingsStore::Reader &read) {
        SettingsStore::Changes changes;
        QList<RenamePreset> presets = m_presets;
        if (const std::optional<std::string> stored = read(m_storageKey)) {
            if (std::optional<QList<RenamePreset>> decoded = decodePresets(*stored)) {
                presets = std::move(*decoded);
                for (const RenamePreset &preset : presets)
                    storedIds.insert(preset.id);
                for (auto unsaved = m_presets.crbegin(); unsaved != m_presets.crend(); ++unsaved) {
                    if (m_unsavedIds.contains(unsaved->id) && !storedIds.contains(unsaved->id))
                        presets.prepend(*unsaved);
                }
            } else {
                // Never written over unseen: the first backup key that is free (or holds these very bytes).
                std::string backup = backupKey();
                for (int n = 2; read(backup) && read(backup) != stored; ++n)
                    backup = backupKey() + "." + std::to_string(n);
                changes.emplace_back(backup, *stored);
                logMessage("The saved presets under \"" + m_storageKey + "\" cannot be read; they are kept under \""
                    + backup + "\" in the settings file.");
            }
        }
        change(presets);
        // Encoding fails only for text that is not UTF-8; then nothing is stored, as before.
        if (const std::optional<std::string> encoded = encodePresets(presets))
            changes.emplace_back(m_storageKey, *encoded);
        else
            changes.clear();
        result = std::move(presets);
        return changes;
    });
    if (!result) {
        result = m_presets;
        change(*result);
    }
    m_presets = std::move(*result);
    m_unsavedIds.clear();
    if (m_lastWriteError) {
        for (const RenamePreset &preset : m_presets) {
            if (!storedIds.contains(preset.id))
                m_unsavedIds.insert(preset.id);
        }
    }
}
