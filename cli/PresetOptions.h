#pragma once

#include <string>
#include <vector>

#include "CommandLine.h"
#include "Result.h"

/// Fills the settings that the command line did not give from the first saved preset named
/// `command.presetName`, in the settings file the window uses. Fails when there is none.
Result<void> applySavedPreset(CommandLine &command);

/// Saves the command line's rename settings, subfolder switch and included extensions as a preset named
/// `command.savePresetName`, kept with the presets other runs save at the same time. Fails with the reason when
/// the settings file cannot be written.
Result<void> saveAsPreset(const CommandLine &command);

/// The names of the saved presets, in their stored order.
std::vector<std::string> savedPresetNames();
