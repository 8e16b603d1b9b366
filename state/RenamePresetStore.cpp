#include "RenamePresetStore.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include <QHash>

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

/// One element of the rule lists' array: a reference to the preset with this id in the main array, or a whole
/// preset that the main array leaves out.
struct RulesEntry {
    QUuid id;
    std::optional<RenamePreset> preset;
};

std::optional<std::vector<RulesEntry>> decodeRulesEntries(std::string_view data)
{
    try {
        const nlohmann::json json = nlohmann::json::parse(data, nullptr, false);
        if (json.is_discarded() || !json.is_array())
            return std::nullopt;
        std::vector<RulesEntry> entries;
        for (const nlohmann::json &element : json) {
            if (element.is_object() && element.contains("rules")) {
                Result<RenamePreset> preset = RenamePreset::fromJson(element);
                if (!preset)
                    return std::nullopt;
                entries.push_back({ preset->id, std::move(*preset) });
                continue;
            }
            const auto id = element.is_object() ? element.find("id") : element.end();
            if (id == element.end() || !id->is_string())
                return std::nullopt;
            const QUuid uuid = QUuid::fromString(QString::fromStdString(id->get<std::string>()));
            if (uuid.isNull())
                return std::nullopt;
            entries.push_back({ uuid, std::nullopt });
        }
        return entries;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

/// The list both arrays describe. The rule lists' array gives the order; a reference takes the next preset with
/// its id from the main array, and one whose preset is gone from there was deleted by an earlier release. Presets
/// of the main array that no entry refers to were saved by an earlier release after this list was written; they
/// come first, as the newest.
QList<RenamePreset> mergedPresets(const QList<RenamePreset> &listed, const std::vector<RulesEntry> &entries)
{
    QHash<QUuid, qsizetype> referenced;
    for (const RulesEntry &entry : entries) {
        if (!entry.preset)
            ++referenced[entry.id];
    }
    QList<RenamePreset> result;
    QHash<QUuid, QList<qsizetype>> unusedById;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const QUuid &id = listed[i].id;
        if (referenced.value(id) > 0) {
            --referenced[id];
            unusedById[id].append(i);
        } else {
            result.append(listed[i]);
        }
    }
    for (const RulesEntry &entry : entries) {
        if (entry.preset) {
            result.append(*entry.preset);
        } else if (QList<qsizetype> &unused = unusedById[entry.id]; !unused.isEmpty()) {
            result.append(listed[unused.takeFirst()]);
        }
    }
    return result;
}

/// The two stored texts: the main array of the presets an earlier release can represent, and the rule lists'
/// array of all presets in order (references to the main array, whole presets for the rest). Nothing when a
/// text cannot be encoded (dump() refuses strings that are not valid UTF-8).
std::optional<std::pair<std::string, std::string>> encodePresets(const QList<RenamePreset> &presets)
{
    try {
        nlohmann::json listed = nlohmann::json::array();
        nlohmann::json rules = nlohmann::json::array();
        for (const RenamePreset &preset : presets) {
            if (isRepresentableByEarlierReleases(preset.ruleList())) {
                nlohmann::json element = preset.toJson();
                rules.push_back({ { "id", element["id"] } });
                listed.push_back(std::move(element));
            } else {
                rules.push_back(preset.toJsonWithRules());
            }
        }
        return std::pair(listed.dump(), rules.dump());
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

bool needsRulesArray(const QList<RenamePreset> &presets)
{
    return std::any_of(presets.begin(), presets.end(),
        [](const RenamePreset &preset) { return !isRepresentableByEarlierReleases(preset.ruleList()); });
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
    return savePreset(name, singleRule(parameters), includeSubfolders, includeExtensions);
}

RenamePreset RenamePresetStore::savePreset(const QString &name, const RenameRuleList &rules, bool includeSubfolders,
    const QStringList &includeExtensions, FileOrder order, bool orderAscending)
{
    const QString trimmed = name.trimmed();
    RenamePreset preset { QUuid::createUuid(), trimmed.isEmpty() ? untitledPresetName : trimmed, RenameParameters {},
        includeSubfolders, includeExtensions, std::nullopt, order, orderAscending };
    preset.setRules(rules);
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
    const std::optional<std::string> rulesData = m_defaults.bytes(rulesKey());
    std::optional<QList<RenamePreset>> listed = QList<RenamePreset> {};
    if (data && !(listed = decodePresets(*data)))
        logMessage("The saved presets under \"" + m_storageKey
            + "\" cannot be read; none are shown. They are kept "
              "and will be copied to \""
            + backupKey() + "\" before the list is next saved.");
    std::optional<std::vector<RulesEntry>> entries;
    if (rulesData && !(entries = decodeRulesEntries(*rulesData)))
        logMessage("The saved rule lists under \"" + rulesKey()
            + "\" cannot be read; they are kept and will be copied to \"" + rulesKey()
            + ".unreadable\" before the list is next saved.");
    if (entries)
        m_presets = mergedPresets(listed.value_or(QList<RenamePreset> {}), *entries);
    else if (listed)
        m_presets = std::move(*listed);
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
        // Never written over unseen: an unreadable text goes to the first backup key that is free (or holds
        // these very bytes).
        const auto keepUnreadable
            = [&](const std::string &key, const std::string &backupBase, const std::string &blob) {
                  std::string backup = backupBase;
                  for (int n = 2; read(backup) && read(backup) != blob; ++n)
                      backup = backupBase + "." + std::to_string(n);
                  changes.emplace_back(backup, blob);
                  logMessage("The saved presets under \"" + key + "\" cannot be read; they are kept under \"" + backup
                      + "\" in the settings file.");
              };
        QList<RenamePreset> presets = m_presets;
        const std::optional<std::string> stored = read(m_storageKey);
        const std::optional<std::string> storedRules = read(rulesKey());
        std::optional<QList<RenamePreset>> listed = QList<RenamePreset> {};
        if (stored && !(listed = decodePresets(*stored)))
            keepUnreadable(m_storageKey, backupKey(), *stored);
        std::optional<std::vector<RulesEntry>> entries;
        if (storedRules && !(entries = decodeRulesEntries(*storedRules)))
            keepUnreadable(rulesKey(), rulesKey() + ".unreadable", *storedRules);
        if ((stored || storedRules) && listed) {
            presets = entries ? mergedPresets(*listed, *entries) : std::move(*listed);
            for (const RenamePreset &preset : presets)
                storedIds.insert(preset.id);
            for (auto unsaved = m_presets.crbegin(); unsaved != m_presets.crend(); ++unsaved) {
                if (m_unsavedIds.contains(unsaved->id) && !storedIds.contains(unsaved->id))
                    presets.prepend(*unsaved);
            }
        }
        change(presets);
        // Encoding fails only for text that is not UTF-8; then nothing is stored, as before. The rule lists'
        // array is written once some preset needs it, and from then on kept in step.
        if (const auto encoded = encodePresets(presets)) {
            changes.emplace_back(m_storageKey, encoded->first);
            if (storedRules || needsRulesArray(presets))
                changes.emplace_back(rulesKey(), encoded->second);
        } else {
            changes.clear();
        }
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
