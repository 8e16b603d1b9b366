#include "PresetOptions.h"

#include <algorithm>
#include <vector>

#include "QtConversions.h"
#include "RenamePresetStore.h"
#include "SettingsStoreQt.h"

Result<void> applySavedPreset(CommandLine &command)
{
    SettingsStoreQt settings;
    const RenamePresetStore store(settings);
    const QString wanted = QtConversions::toQString(*command.presetName);
    const auto &presets = store.presets();
    const auto preset = std::find_if(
        presets.begin(), presets.end(), [&](const RenamePreset &candidate) { return candidate.name == wanted; });
    if (preset == presets.end())
        return Error { "no saved preset is named \"" + *command.presetName + "\"" };
    // Options given on the command line win over the preset's values.
    if (!command.parametersGiven)
        command.rules = preset->ruleList();
    if (!command.includeSubfoldersGiven)
        command.includeSubfolders = preset->includeSubfolders;
    command.order = preset->order;
    command.orderAscending = preset->orderAscending;
    if (!command.includeExtensionsGiven) {
        const auto extensions = QtConversions::toStdStrings(preset->includeExtensions);
        command.criteria.includeExtensions = std::set<std::string>(extensions.begin(), extensions.end());
    }
    return {};
}

Result<void> saveAsPreset(const CommandLine &command)
{
    SettingsStoreQt settings;
    RenamePresetStore store(settings);
    // Extensions are kept sorted in presets, as the window stores them.
    const std::vector<std::string> extensions(
        command.criteria.includeExtensions.begin(), command.criteria.includeExtensions.end());
    store.savePreset(QtConversions::toQString(*command.savePresetName), command.rules, command.includeSubfolders,
        QtConversions::toQStringList(extensions), command.order, command.orderAscending);
    if (const auto &failure = store.lastWriteError()) {
        return Error { "the preset \"" + *command.savePresetName + "\" was not saved in "
            + QtConversions::toStdString(settings.fileName()) + ": " + *failure };
    }
    return {};
}

std::vector<std::string> savedPresetNames()
{
    SettingsStoreQt settings;
    const RenamePresetStore store(settings);
    std::vector<std::string> names;
    for (const RenamePreset &preset : store.presets())
        names.push_back(QtConversions::toStdString(preset.name));
    return names;
}
