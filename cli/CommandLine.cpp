#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "CliText.h"
#include "FileFilterService.h"
#include "ManualPage.h"

namespace {

/// Applies an option's value (empty for a flag) to the command line, or says why it cannot be used.
using Setter = Result<void> (*)(CommandLine &command, const std::string &value);

/// One option: its name, the placeholder of its value (empty for a flag), what it sets, and its help, whose
/// lines are separated by "\n". `section` starts a new group of the help when it differs from the previous one.
struct Option {
    std::string_view section;
    std::string_view name;
    std::string_view valueName;
    Setter set;
    std::string_view help;
    bool hidden = false; ///< left out of --help and the manual (options for the build and the shell)
};

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

Result<void> setParameters(CommandLine &command, const std::string &text)
{
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded())
        return Error { "--params is not valid JSON" };
    Result<RenameRuleList> rules = renameRulesFromJson(json);
    if (!rules)
        return Error { "--params cannot be used: " + rules.error().message };
    command.rules = std::move(*rules);
    command.parametersGiven = true;
    // Unknown keys are ignored, as presets ignore them; a misspelt key should not pass unnoticed.
    const auto known = RenameParameters::jsonKeys();
    const auto warnUnknown = [&](const nlohmann::json &object, const std::string &where) {
        for (const auto &item : object.items()) {
            if (item.key() != "enabled" && std::find(known.begin(), known.end(), item.key()) == known.end())
                command.warnings.push_back(
                    "--params key \"" + item.key() + "\"" + where + " is not known and is ignored");
        }
    };
    if (json.is_object())
        warnUnknown(json, "");
    for (std::size_t i = 0; json.is_array() && i < json.size(); ++i)
        warnUnknown(json[i], " (rule " + std::to_string(i + 1) + ")");
    return {};
}

Result<void> setSize(std::int64_t &target, std::string_view name, const std::string &text)
{
    const auto size = parseSize(text);
    if (!size)
        return Error { std::string(name) + " needs a whole number of bytes (0 or more), not \"" + text + "\"" };
    target = *size;
    return {};
}

Result<void> setPresetName(std::optional<std::string> &target, std::string_view name, const std::string &text)
{
    if (text.empty())
        return Error { std::string(name) + " needs a non-empty name" };
    target = text;
    return {};
}

/// The setter of a flag: it switches `member` on.
template <bool CommandLine::*member> Result<void> setFlag(CommandLine &command, const std::string &)
{
    command.*member = true;
    return {};
}

// The titles of the option groups, for the translations of --help.
[[maybe_unused]] constexpr const char *sectionTitles[] = { QT_TRANSLATE_NOOP("quorvane-cli", "Rename settings"),
    QT_TRANSLATE_NOOP("quorvane-cli", "Files"), QT_TRANSLATE_NOOP("quorvane-cli", "Output and action") };

// The options in the order --help lists them.
constexpr Option options[] = {
    { "Rename settings", "--params", "JSON", &setParameters,
        QT_TRANSLATE_NOOP("quorvane-cli",
            "the rename settings as a JSON object with the keys strategy, prefixText,\n"
            "suffixText, searchText, replaceText, sequenceStart, sequencePadding,\n"
            "sequenceSeparator, preserveExtension, dateSource, dateFormat,\n"
            "dateIncludeSequence, datePosition, useRegularExpression, insertText,\n"
            "insertPosition, insertFromEnd, removePosition, removeCount, removeFromEnd,\n"
            "sequenceStep, sequenceRestartPerFolder; absent keys take their defaults.\n"
            "Example: '{\"strategy\":\"replace\",\"searchText\":\"IMG\",\"replaceText\":\"Photo\"}'.\n"
            "A JSON array of such objects is a list of rules applied in order, each\n"
            "with an optional \"enabled\" (default true)") },
    { "Rename settings", "--preset", "NAME",
        [](CommandLine &command, const std::string &text) {
            return setPresetName(command.presetName, "--preset", text);
        },
        QT_TRANSLATE_NOOP("quorvane-cli",
            "take the settings, the subfolder switch, the included extensions and the\n"
            "numbering order from the first saved preset called NAME (options given\n"
            "here still win)") },
    { "Rename settings", "--save-preset", "NAME",
        [](CommandLine &command, const std::string &text) {
            return setPresetName(command.savePresetName, "--save-preset", text);
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "save the settings of this command line as a preset called NAME") },
    { "Files", "--recursive", "",
        [](CommandLine &command, const std::string &) {
            command.includeSubfolders = true;
            command.includeSubfoldersGiven = true;
            return Result<void>();
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "include the files of all subfolders") },
    { "Files", "--include-ext", "TEXT",
        [](CommandLine &command, const std::string &text) {
            command.criteria.includeExtensions = FileFilterService::parseExtensionList(text);
            command.includeExtensionsGiven = true;
            return Result<void>();
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "only these extensions, comma-separated (\"jpg, png\")") },
    { "Files", "--exclude-ext", "TEXT",
        [](CommandLine &command, const std::string &text) {
            command.criteria.excludeExtensions = FileFilterService::parseExtensionList(text);
            return Result<void>();
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "leave out these extensions, comma-separated") },
    { "Files", "--name-contains", "TEXT",
        [](CommandLine &command, const std::string &text) {
            command.criteria.searchText = text;
            return Result<void>();
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "only names (with extension) that contain TEXT") },
    { "Files", "--case-sensitive", "",
        [](CommandLine &command, const std::string &) {
            command.criteria.caseSensitive = true;
            return Result<void>();
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "--name-contains respects letter case") },
    { "Files", "--min-size", "N",
        [](CommandLine &command, const std::string &text) {
            return setSize(command.criteria.minSize, "--min-size", text);
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "only files of at least N bytes") },
    { "Files", "--max-size", "N",
        [](CommandLine &command, const std::string &text) {
            return setSize(command.criteria.maxSize, "--max-size", text);
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "only files of at most N bytes") },
    { "Output and action", "--json", "", &setFlag<&CommandLine::json>,
        QT_TRANSLATE_NOOP("quorvane-cli",
            "print a JSON array of {\"originalPath\", \"newPath\", \"originalName\",\n"
            "\"newName\"} objects, in plan order, instead of lines; date names from\n"
            "capture dates add \"dateSource\": \"capture\", or \"created\" for a file\n"
            "without a capture date") },
    { "Output and action", "--apply", "", &setFlag<&CommandLine::apply>,
        QT_TRANSLATE_NOOP("quorvane-cli",
            "perform the renames of the changed names, then print \"Renamed N items\"\n"
            "or \"Renamed N, M failed\" and one line per failure") },
    { "Output and action", "--undo", "", &setFlag<&CommandLine::undo>,
        QT_TRANSLATE_NOOP("quorvane-cli",
            "take back the newest rename batch of FOLDER (also after a restart);\n"
            "files changed since are left alone and listed with the reason") },
    { "Output and action", "--recover", "finish|undo",
        [](CommandLine &command, const std::string &text) {
            if (text != "finish" && text != "undo")
                return Result<void>(Error { "--recover takes finish or undo, not \"" + text + "\"" });
            command.recover = text;
            return Result<void>();
        },
        QT_TRANSLATE_NOOP("quorvane-cli", "complete or take back an interrupted rename batch of FOLDER") },
    { "Output and action", "--journal", "", &setFlag<&CommandLine::journal>,
        QT_TRANSLATE_NOOP("quorvane-cli", "list the rename batches the journal knows (of FOLDER, if given)") },
    { "Output and action", "--list-presets", "", &setFlag<&CommandLine::listPresets>,
        QT_TRANSLATE_NOOP("quorvane-cli", "print the names of the saved presets, one a line") },
    { "Output and action", "--help", "", &setFlag<&CommandLine::help>,
        QT_TRANSLATE_NOOP("quorvane-cli", "show this text") },
    { "Output and action", "--help-man", "", &setFlag<&CommandLine::helpManual>,
        QT_TRANSLATE_NOOP("quorvane-cli", "print the manual page in roff"), true },
};

constexpr std::string_view synopsis = "quorvane-cli [OPTIONS] FOLDER";

constexpr std::string_view description = QT_TRANSLATE_NOOP("quorvane-cli",
    R"TEXT(Lists FOLDER, sorts the files by name, filters them, plans the renames and prints the preview,
one line per file: old name -> new name. New names that would collide with each other or with
files already on disk get " (n)" before their extension. Nothing is changed without --apply.)TEXT");

constexpr std::string_view journalText = QT_TRANSLATE_NOOP(
    "quorvane-cli", R"TEXT(Every batch is written to a journal under $XDG_STATE_HOME/Quorvane (~/.local/state/Quorvane)
before the first file is renamed. A run on a folder whose last batch was interrupted (a crash,
a kill, a power cut) says so; --apply then refuses until the batch is recovered.)TEXT");

constexpr std::string_view exitStatusText = QT_TRANSLATE_NOOP(
    "quorvane-cli", R"TEXT(Exit status: 0 on success; 1 when the folder cannot be listed ("Cannot access the selected
folder.") or, with --apply, when a rename failed; 2 for bad options or settings.)TEXT");

/// Calls `visit(option, startsSection)` for each option that --help and the manual show, in their order.
template <typename Visit> void forEachShownOption(const Visit &visit)
{
    std::string_view section;
    for (const Option &option : options) {
        if (option.hidden)
            continue;
        visit(option, option.section != section);
        section = option.section;
    }
}

// Where the help text of each option starts.
constexpr std::size_t helpColumn = 25;

const Option *findOption(std::string_view name)
{
    const auto found = std::find_if(
        std::begin(options), std::end(options), [&](const Option &option) { return option.name == name; });
    return found == std::end(options) ? nullptr : found;
}

} // namespace

Result<CommandLine> parseCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine command;
    std::vector<std::string> positional;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.rfind("--", 0) != 0) {
            if (!optionsEnded && argument.size() > 1 && argument[0] == '-')
                return Error { "unknown option: " + argument };
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
        const Option *option = findOption(argument);
        if (!option)
            return Error { "unknown option: " + argument };
        std::string value;
        if (option->valueName.empty()) {
            if (inlineValue)
                return Error { argument + " takes no value" };
        } else if (inlineValue) {
            value = std::move(*inlineValue);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return Error { argument + " needs a value" };
        }
        if (Result<void> set = option->set(command, value); !set)
            return set.error();
    }

    if (command.help || command.helpManual || command.listPresets)
        return command;
    if (command.apply && command.json)
        return Error { "--json and --apply cannot be combined" };
    if (int(command.apply) + int(command.undo) + int(command.journal) + int(command.recover.has_value()) > 1)
        return Error { "--apply, --undo, --recover and --journal cannot be combined" };
    if (command.journal && positional.empty())
        return command;
    if (positional.size() != 1)
        return Error { positional.empty() ? "missing FOLDER (see --help)" : "only one FOLDER may be given" };
    command.folder = positional.front();
    return command;
}

std::string usageText()
{
    // Each text in the user's language; the manual page stays in English, the language it is installed as.
    const auto translated = [](std::string_view text) { return cliText(std::string(text).c_str()); };
    std::string text = cliText(QT_TRANSLATE_NOOP("quorvane-cli", "Usage: %1"), { synopsis }) + "\n\n"
        + translated(description) + "\n";
    forEachShownOption([&](const Option &option, bool startsSection) {
        if (startsSection)
            text += '\n' + translated(option.section) + ":\n";
        std::string head = "  " + std::string(option.name);
        if (!option.valueName.empty())
            head += " " + std::string(option.valueName);
        head.resize(std::max(helpColumn, head.size() + 1), ' ');
        text += head + ManualPage::hangingIndent(translated(option.help), helpColumn) + '\n';
    });
    text += "\n" + translated(journalText) + "\n\n" + translated(exitStatusText) + "\n";
    return text;
}

std::string manualPage(std::string_view version, std::string_view date)
{
    ManualPage page("quorvane-cli", "rename many files at once, with a preview of every new name", version, date,
        synopsis, description);
    page.section("Options");
    forEachShownOption([&](const Option &option, bool startsSection) {
        if (startsSection)
            page.subsection(option.section);
        page.item(option.name, option.valueName, option.help);
    });
    page.section("Journal");
    page.paragraph(journalText);
    page.section("Exit status");
    page.paragraph(exitStatusText.substr(exitStatusText.find(':') + 2));
    page.section("Files");
    page.item("$XDG_CONFIG_HOME/Quorvane/Quorvane.conf", "",
        "the settings of the window, whose presets --preset, --save-preset and --list-presets use (default\n"
        "~/.config/Quorvane/Quorvane.conf)");
    page.item("$XDG_STATE_HOME/Quorvane/", "", "the journal of the rename batches (default ~/.local/state/Quorvane/)");
    page.section("See also");
    page.paragraph("quorvane(1)");
    return page.text();
}
