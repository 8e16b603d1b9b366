#include "RenamePresetStore.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

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
            std::optional<RenamePreset> preset = RenamePreset::fromJson(element);
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
    m_presets.prepend(preset);
    persistPresets();
    Q_EMIT presetsChanged();
    return preset;
}

void RenamePresetStore::deletePreset(const QUuid &id)
{
    const auto matches = [&id](const RenamePreset &preset) { return preset.id == id; };
    if (std::none_of(m_presets.cbegin(), m_presets.cend(), matches))
        return;
    Q_EMIT presetsAboutToChange();
    m_presets.removeIf(matches);
    persistPresets();
    Q_EMIT presetsChanged();
}

void RenamePresetStore::loadPresets()
{
    // Nothing is written back here: an undecodable blob stays as it is until the next change replaces it.
    const std::optional<std::string> data = m_defaults.bytes(m_storageKey);
    if (!data)
        return;
    if (std::optional<QList<RenamePreset>> decoded = decodePresets(*data))
        m_presets = std::move(*decoded);
}

void RenamePresetStore::persistPresets()
{
    // Failures are silent by design: the change lives on in memory until the application quits.
    if (const std::optional<std::string> encoded = encodePresets(m_presets))
        (void)m_defaults.setBytes(m_storageKey, *encoded);
}
