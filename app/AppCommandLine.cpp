#include "AppCommandLine.h"

#include <algorithm>

#include "ManualPage.h"

namespace {

struct Entry {
    std::string_view term;
    std::string_view help;
};

struct Section {
    std::string_view title;
    std::string_view intro; ///< a paragraph before the entries (may be empty)
    std::initializer_list<Entry> entries;
};

constexpr std::string_view synopsis = "quorvane [OPTIONS]";

constexpr std::string_view description
    = R"TEXT(Opens the Quorvane window: pick a folder, narrow its files with a filter, choose how the
names change, look at every old and new name, and apply. Nothing is ever overwritten, and
every batch can be undone. quorvane-cli does the same from a terminal.)TEXT";

const Section sections[] = {
    { "Options", "Qt's own options (such as -platform, -style, -reverse) are accepted too.",
        {
            { "--help", "show this text" },
            { "--version", "show the version" },
        } },
    { "Keys", "",
        {
            { "Ctrl+O", "Select Folder..." },
            { "Ctrl+R", "Refresh File List" },
            { "Ctrl+P", "Preview Rename" },
            { "Ctrl+Shift+R", "Apply Rename" },
            { "Ctrl+Z", "Undo Last Rename" },
            { "Ctrl+Q", "Quit" },
        } },
    { "Environment", "",
        {
            { "QUORVANE_UPDATE_BASE_URL", "the server of the update check (an absolute https or http address)" },
            { "LANGUAGE, LC_ALL, LC_MESSAGES, LANG",
                "the language of the window (English where no\n"
                "translation exists)" },
            { "QT_QPA_PLATFORMTHEME", "the desktop's theme, and with it a light or dark colour scheme" },
            { "QT_SCALE_FACTOR", "the scale of the window (2 for 200%)" },
        } },
    { "Files", "",
        {
            { "~/.config/Quorvane/Quorvane.conf",
                "presets, the last folder and the state of the update check\n"
                "($XDG_CONFIG_HOME/Quorvane/Quorvane.conf)" },
            { "~/.local/state/Quorvane/",
                "the journal of the rename batches, the undo history\n"
                "($XDG_STATE_HOME/Quorvane/)" },
        } },
};

// Where the help text of each entry starts.
constexpr std::size_t helpColumn = 25;

} // namespace

namespace AppCommandLine {

std::optional<Request> request(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return Request::help;
        if (argument == "--version")
            return Request::version;
        if (argument == "--help-man")
            return Request::manual;
    }
    return std::nullopt;
}

std::string usageText()
{
    std::string text = "Usage: " + std::string(synopsis) + "\n\n" + std::string(description) + "\n";
    for (const Section &section : sections) {
        text += "\n" + std::string(section.title) + ":\n";
        for (const Entry &entry : section.entries) {
            std::string head = "  " + std::string(entry.term);
            if (head.size() + 1 > helpColumn) {
                text += head + "\n";
                head.clear();
            }
            head.resize(helpColumn, ' ');
            text += head + ManualPage::hangingIndent(entry.help, helpColumn) + "\n";
        }
        if (!section.intro.empty())
            text += "\n" + std::string(section.intro) + "\n";
    }
    return text;
}

std::string manualPage(std::string_view version, std::string_view date)
{
    ManualPage page("quorvane", "rename many files at once, with a preview of every new name", version, date, synopsis,
        description);
    for (const Section &section : sections) {
        page.section(section.title);
        for (const Entry &entry : section.entries)
            page.item(entry.term, "", entry.help);
        if (!section.intro.empty())
            page.paragraph(section.intro);
    }
    page.section("See also");
    page.paragraph("quorvane-cli(1)");
    return page.text();
}

} // namespace AppCommandLine
