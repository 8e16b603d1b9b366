#pragma once

#include <string>

#include "CommandLine.h"

/// Fills the settings that the command line did not give from the first saved preset named
/// `command.presetName`, in the settings file the window uses. False, with `error` set, when there is none.
[[nodiscard]] bool applySavedPreset(CommandLine &command, std::string &error);

/// Saves the command line's rename settings, subfolder switch and included extensions as a preset named
/// `command.savePresetName`, kept with the presets other runs save at the same time. False, with `error` set to
/// the reason, when the settings file cannot be written.
[[nodiscard]] bool saveAsPreset(const CommandLine &command, std::string &error);
