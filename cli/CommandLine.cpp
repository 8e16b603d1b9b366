#include "CommandLine.h"

#include <charconv>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "FileFilterService.h"

namespace {

std::optional<std::int64_t> parseSize(const std::string &text)
{
    std::int64_t value = 0;
    const char *end = text.data() + text.size();
    const auto [pointer, status] = std::from_chars(text.data(), end, value);
    // A negative bound is a typing slip, not a filter: "--min-size -1" would otherwise list every file.
    if (text.empty() || status != std::errc() || pointer != end || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string> &arguments, std::string &error)
{
    CommandLine command;
    std::vector<std::string> positional;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.rfind("--", 0) != 0) {
            if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
                error = "unknown option: " + argument;
                return std::nullopt;
            }
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }

        // "--name=value" and "--name value" are both accepted for options that take a value.
        std::optional<std::string> inlineValue;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            inlineValue = argument.substr(equals + 1);
            argument.resize(equals);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            error = argument + " needs a value";
            return std::nullopt;
        };
        const auto flag = [&](bool &target) {
            if (inlineValue) {
                error = argument + " takes no value";
                return false;
            }
            target = true;
            return true;
        };

        if (argument == "--help") {
            if (!flag(command.help))
                return std::nullopt;
        } else if (argument == "--recursive") {
            if (!flag(command.includeSubfolders))
                return std::nullopt;
            command.includeSubfoldersGiven = true;
        } else if (argument == "--case-sensitive") {
            if (!flag(command.criteria.caseSensitive))
                return std::nullopt;
        } else if (argument == "--json") {
            if (!flag(command.json))
                return std::nullopt;
        } else if (argument == "--apply") {
            if (!flag(command.apply))
                return std::nullopt;
        } else if (argument == "--undo") {
            if (!flag(command.undo))
                return std::nullopt;
        } else if (argument == "--journal") {
            if (!flag(command.journal))
                return std::nullopt;
        } else if (argument == "--recover") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            if (*text != "finish" && *text != "undo") {
                error = "--recover takes finish or undo, not \"" + *text + "\"";
                return std::nullopt;
            }
            command.recover = *text;
        } else if (argument == "--params") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto json = nlohmann::json::parse(*text, nullptr, false);
            if (json.is_discarded()) {
                error = "--params is not valid JSON";
                return std::nullopt;
            }
            std::string decodeError;
            const auto parameters = RenameParameters::fromJson(json, &decodeError);
            if (!parameters) {
                error = "--params cannot be used: " + decodeError;
                return std::nullopt;
            }
            command.parameters = *parameters;
            command.parametersGiven = true;
            // Unknown keys are ignored, as presets ignore them; a misspelt key should not pass unnoticed.
            const nlohmann::json known = RenameParameters {}.toJson();
            for (const auto &item : json.items()) {
                if (!known.contains(item.key()))
                    command.warnings.push_back("--params key \"" + item.key() + "\" is not known and is ignored");
            }
        } else if (argument == "--include-ext") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            command.criteria.includeExtensions = FileFilterService::parseExtensionList(*text);
            command.includeExtensionsGiven = true;
        } else if (argument == "--exclude-ext") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            command.criteria.excludeExtensions = FileFilterService::parseExtensionList(*text);
        } else if (argument == "--name-contains") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            command.criteria.searchText = *text;
        } else if (argument == "--min-size" || argument == "--max-size") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto size = parseSize(*text);
            if (!size) {
                error = argument + " needs a whole number of bytes (0 or more), not \"" + *text + "\"";
                return std::nullopt;
            }
            (argument == "--min-size" ? command.criteria.minSize : command.criteria.maxSize) = *size;
        } else if (argument == "--preset" || argument == "--save-preset") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            if (text->empty()) {
                error = argument + " needs a non-empty name";
                return std::nullopt;
            }
            (argument == "--preset" ? command.presetName : command.savePresetName) = *text;
        } else {
            error = "unknown option: " + argument;
            return std::nullopt;
        }
    }

    if (command.help)
        return command;
    if (command.apply && command.json) {
        error = "--json and --apply cannot be combined";
        return std::nullopt;
    }
    if (int(command.apply) + int(command.undo) + int(command.journal) + int(command.recover.has_value()) > 1) {
        error = "--apply, --undo, --recover and --journal cannot be combined";
        return std::nullopt;
    }
    if (command.journal && positional.empty())
        return command;
    if (positional.size() != 1) {
        error = positional.empty() ? "missing FOLDER (see --help)" : "only one FOLDER may be given";
        return std::nullopt;
    }
    command.folder = positional.front();
    return command;
}

std::string usageText()
{
    return R"USAGE(Usage: quorvane-cli [OPTIONS] FOLDER

Lists FOLDER, sorts the files by name, filters them, plans the renames and prints the preview,
one line per file: old name -> new name. New names that would collide with each other or with
files already on disk get " (n)" before their extension. Nothing is changed without --apply.

Rename settings:
  --params JSON          the rename settings as a JSON object with the keys strategy, prefixText,
                         suffixText, searchText, replaceText, sequenceStart, sequencePadding,
                         sequenceSeparator, preserveExtension, dateSource, dateFormat,
                         dateIncludeSequence, datePosition, useRegularExpression; absent keys take
                         their defaults. Example: '{"strategy":"replace","searchText":"IMG",
                         "replaceText":"Photo"}'
  --preset NAME          take the settings, the subfolder switch and the included extensions from
                         the first saved preset called NAME (options given here still win)
  --save-preset NAME     save the settings of this command line as a preset called NAME

Files:
  --recursive            include the files of all subfolders
  --include-ext TEXT     only these extensions, comma-separated ("jpg, png")
  --exclude-ext TEXT     leave out these extensions, comma-separated
  --name-contains TEXT   only names (with extension) that contain TEXT
  --case-sensitive       --name-contains respects letter case
  --min-size N           only files of at least N bytes
  --max-size N           only files of at most N bytes

Output and action:
  --json                 print a JSON array of {"originalPath", "newPath", "originalName",
                         "newName"} objects, in plan order, instead of lines; date names from
                         capture dates add "dateSource": "capture", or "created" for a file
                         without a capture date
  --apply                perform the renames of the changed names, then print "Renamed N items"
                         or "Renamed N, M failed" and one line per failure
  --undo                 take back the newest rename batch of FOLDER (also after a restart);
                         files changed since are left alone and listed with the reason
  --recover finish|undo  complete or take back an interrupted rename batch of FOLDER
  --journal              list the rename batches the journal knows (of FOLDER, if given)
  --help                 show this text

Every batch is written to a journal under $XDG_STATE_HOME/Quorvane (~/.local/state/Quorvane)
before the first file is renamed. A run on a folder whose last batch was interrupted (a crash,
a kill, a power cut) says so; --apply then refuses until the batch is recovered.

Exit status: 0 on success; 1 when the folder cannot be listed ("Cannot access the selected
folder.") or, with --apply, when a rename failed; 2 for bad options or settings.
)USAGE";
}
