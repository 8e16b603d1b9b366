#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FileFilterCriteria.h"
#include "FileSorting.h"
#include "RenameParameters.h"
#include "RenameRule.h"
#include "Result.h"

/// What one run of quorvane-cli was asked to do.
struct CommandLine {
    std::string folder;
    RenameRuleList rules = singleRule(RenameParameters {}); ///< the rules of the batch, in order
    bool parametersGiven = false; ///< --params was used (it wins over a preset's parameters)
    bool includeSubfolders = false;
    bool includeSubfoldersGiven = false;
    FileFilterCriteria criteria;
    bool includeExtensionsGiven = false;
    FileOrder order = FileOrder::name; ///< the numbering order: by name unless a preset says otherwise
    bool orderAscending = true;
    bool json = false;
    bool apply = false;
    bool help = false;
    bool helpManual = false; ///< --help-man: print the manual page (the build writes quorvane-cli.1 with it)
    bool listPresets = false; ///< --list-presets: the names of the saved presets, one a line
    std::optional<std::string> presetName; ///< --preset NAME
    std::optional<std::string> savePresetName; ///< --save-preset NAME
    std::vector<std::string> warnings; ///< things the user should hear of that do not stop the run
    std::optional<std::string> recover; ///< --recover finish|undo
    bool undo = false; ///< --undo: take back the newest batch of FOLDER
    bool journal = false; ///< --journal: list the batches of the journal store (FOLDER optional)
};

/// Parses the arguments after the program name. Fails with a one-line message when an option is unknown, lacks
/// its value, or has a value that cannot be used.
Result<CommandLine> parseCommandLine(const std::vector<std::string> &arguments);

/// The text printed by --help.
std::string usageText();

/// The manual page quorvane-cli(1), in roff, from the same texts as --help.
std::string manualPage(std::string_view version, std::string_view date);
