#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <malloc.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "CliText.h"
#include "CommandLine.h"
#include "FileAccessService.h"
#include "FileRenameService.h"
#include "FileSorting.h"
#include "FolderSnapshot.h"
#include "JournalCommands.h"
#include "PhotoMetadataService.h"
#include "PresetOptions.h"
#include "RenamePipeline.h"
#include "Translations.h"

namespace {

// Batches smaller than this finish before a progress line would be worth reading.
constexpr std::int64_t progressThreshold = 300;

/// A name as text lines may show it: control characters (C0, DEL and the C1 range) and the backslash itself are
/// written as escapes, the way `ls -b` does, so that a name holding a line break cannot forge a line and one
/// holding an escape sequence cannot drive the terminal. Everything else, non-ASCII letters included, stays.
std::string terminalText(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        // U+0080 to U+009F are C2 80 to C2 9F in UTF-8; some terminals act on them (U+009B starts a sequence).
        const bool c1 = byte == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F
            && static_cast<unsigned char>(name[i + 1]) >= 0x80;
        if (byte >= 0x20 && byte != 0x7F && byte != '\\' && !c1) {
            out += name[i];
            continue;
        }
        switch (byte) {
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        const auto octal = [&out](unsigned char value) {
            const char digits[] = { '\\', static_cast<char>('0' + (value >> 6)),
                static_cast<char>('0' + ((value >> 3) & 7)), static_cast<char>('0' + (value & 7)) };
            out.append(digits, sizeof digits);
        };
        octal(byte);
        if (c1)
            octal(static_cast<unsigned char>(name[++i]));
    }
    return out;
}

/// `withDateSource`: date names from capture dates, where each entry also says which date named the file.
void printPreview(const std::vector<RenamePlan> &plans, bool json, bool withDateSource)
{
    if (json) {
        auto array = nlohmann::ordered_json::array();
        for (const auto &plan : plans) {
            nlohmann::ordered_json entry = { { "originalPath", plan.originalURL.text() },
                { "newPath", plan.newURL.text() }, { "originalName", plan.originalName }, { "newName", plan.newName } };
            if (withDateSource)
                entry["dateSource"] = plan.usedCreationDate ? "created" : "capture";
            array.push_back(std::move(entry));
        }
        std::cout << array.dump(2) << '\n';
        return;
    }
    std::string out;
    for (const auto &plan : plans) {
        out += terminalText(plan.originalName);
        out += " -> ";
        out += terminalText(plan.newName);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// Performs the plans that change a name (the window's rule) and
// reports the outcome. Returns the exit status: 0 when nothing failed, 1 otherwise.
int applyChangedPlans(const std::filesystem::path &folder, std::optional<FolderIdentity> listed,
    const RenamePipeline::Preview &preview, const FileStamps &seen)
{
    // When every plan changes a name, as in most batches, the preview is already what an apply performs.
    const bool allChange = preview.changedCount == preview.plans.size();
    const std::vector<RenamePlan> someChange
        = allChange ? std::vector<RenamePlan>() : RenamePipeline::changedPlans(preview.plans);
    const std::vector<RenamePlan> &changed = allChange ? preview.plans : someChange;

    FileRenameService::ProgressCallback progress;
    const bool showProgress = static_cast<std::int64_t>(changed.size()) > progressThreshold && ::isatty(STDERR_FILENO);
    if (showProgress) {
        progress = [](std::int64_t done, std::int64_t total) {
            std::fprintf(
                stderr, "\rRenaming %lld of %lld", static_cast<long long>(done), static_cast<long long>(total));
            if (done == total)
                std::fputc('\n', stderr);
        };
    }
    const auto outcome = applyJournaled(folder, listed, changed, progress, seen);
    if (outcome.error)
        std::cerr << *outcome.error << '\n';

    const auto renamed = outcome.renamedCount;
    if (outcome.failures.empty()) {
        std::cout << cliText(QT_TRANSLATE_NOOP("quorvane-cli", "Renamed %1 items"), { std::to_string(renamed) })
                  << '\n';
        return outcome.error ? 1 : 0;
    }
    std::cout << cliText(QT_TRANSLATE_NOOP("quorvane-cli", "Renamed %1, %2 failed"),
        { std::to_string(renamed), std::to_string(outcome.failures.size()) })
              << '\n';
    for (const auto &failure : outcome.failures)
        std::cout << terminalText(failure.name) << ": " << failure.reason << '\n';
    return 1;
}

/// A listing's stamps and the preview planned on it.
struct Planned {
    FileStamps stamps;
    RenamePipeline::Preview preview;
};

/// Whether the batch of `command` is planned from the files' names alone: no rule writes a date, the files are
/// numbered by name, and no size bounds them.
bool plansOnNamesOnly(const CommandLine &command)
{
    const FileFilterCriteria unbounded;
    return command.order == FileOrder::name && command.orderAscending && command.criteria.minSize == unbounded.minSize
        && command.criteria.maxSize == unbounded.maxSize
        && std::none_of(command.rules.begin(), command.rules.end(), [](const RenameRule &rule) {
               return rule.enabled && rule.parameters.strategy == RenameStrategy::dateName;
           });
}

/// Plans the batch of `command` on `files` (sorted by name) of the listed folder, whose names as the listing read
/// them are `snapshot`.
RenamePipeline::Preview planOn(const CommandLine &command, const FileAccessService &fileAccess,
    std::vector<FileItem> files, std::optional<FolderSnapshot> snapshot)
{
    // A preset numbers the files in its own order, as the window does.
    if (command.order != FileOrder::name || !command.orderAscending)
        sortFiles(files, command.order, command.orderAscending);
    files = RenamePipeline::filter(std::move(files), command.criteria);
    // Planning reads the folder's names again only if it changed since the listing read them.
    SnapshotFileSystem listedFolder(fileAccess, snapshot ? std::move(*snapshot) : FolderSnapshot {});
    FileRenameService renameService(listedFolder, PhotoMetadataService::shared());
    return RenamePipeline::plan(RenamePipeline::plannerFor(renameService, command.rules), files);
}

/// Lists the folder of `command` and plans its batch; says what the listing left out. When an apply of one folder
/// is planned from names alone, planning begins on the names while the system is still asked about each file on
/// another thread, and is done again on what the answers leave, should they leave out a file. Nothing when the
/// folder cannot be listed (said on the standard error).
std::optional<Planned> listAndPlan(const CommandLine &command, const FileAccessService &fileAccess)
{
    const auto failed = [](const Error &error) {
        // The listing's fixed message ("Cannot access the selected folder.") in the user's language.
        std::cerr << cliText(error.message.c_str()) << '\n';
        return std::nullopt;
    };
    // What could not be used is said once per cause, so that an empty or short preview is never a mystery.
    const auto sayLeftOut = [](const FileListing &listing) {
        for (const std::string &line : listing.leftOutLines())
            std::cerr << line << '\n';
    };
    if (command.apply && !command.includeSubfolders && plansOnNamesOnly(command)) {
        Result<EarlyListing> early = fileAccess.beginListing(command.folder);
        if (!early)
            return failed(early.error());
        if (std::optional<std::vector<FileItem>> promised = early->takePromised()) {
            sortByName(*promised);
            RenamePipeline::Preview preview = planOn(command, fileAccess, std::move(*promised), early->takeSnapshot());
            bool keptPromise = false;
            FileListing listing = early->finish(keptPromise);
            if (keptPromise) {
                sayLeftOut(listing);
                return Planned { std::move(listing.stamps), std::move(preview) };
            }
        }
        // Some file was not what its name promised: the ordinary listing tells which files there are.
    }
    // An apply follows the listing at once: what the listing saw of each file is what the journal records.
    Result<FileListing> listing
        = RenamePipeline::listSorted(fileAccess, command.folder, command.includeSubfolders, {}, command.apply);
    if (!listing)
        return failed(listing.error());
    sayLeftOut(*listing);
    RenamePipeline::Preview preview
        = planOn(command, fileAccess, std::move(listing->files), std::move(listing->snapshot));
    return Planned { std::move(listing->stamps), std::move(preview) };
}

/// Ends the process with `status` once the output is out, without freeing the records of the folder one by one:
/// for a large folder that would take longer than anything but the renames, and the system takes the memory
/// back at once. Nothing else is left to do at this point (the journal is closed).
[[noreturn]] int exitNow(int status)
{
    std::cout.flush();
    std::fflush(stdout);
    std::_Exit(status);
}

} // namespace

int main(int argc, char **argv)
{
    // A run builds a few records per file and frees them all at the end. Keeping freed memory in the process
    // (rather than giving large blocks back to the system at once) spares a fresh zeroed page for every vector
    // that grows; the process is short-lived.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 30);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::mallopt(M_TOP_PAD, 64 << 20);
    // No "fast bins" for small freed blocks: with hundreds of thousands of small strings freed while large lists
    // grow, the allocator swept those bins again at every large block: a tenth or more of the user time at 100,000
    // files.
    ::mallopt(M_MXFAST, 0);
    // Only for its translations: no display, no session bus.
    QCoreApplication application(argc, argv);
    Translations::install(application);
    Result<CommandLine> command = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!command) {
        std::cerr << "quorvane-cli: " << command.error().message << '\n';
        return 2;
    }
    for (const std::string &warning : command->warnings)
        std::cerr << "quorvane-cli: warning: " << terminalText(warning) << '\n';
    if (command->help) {
        std::cout << usageText();
        return 0;
    }
    if (command->helpManual) {
        std::cout << manualPage(QUORVANE_VERSION, QUORVANE_RELEASE_DATE);
        return 0;
    }
    if (command->listPresets) {
        // Names are printed as they are (shell completion reads them), one a line.
        for (const std::string &name : savedPresetNames())
            std::cout << name << '\n';
        return 0;
    }
    if (command->presetName) {
        if (const Result<void> applied = applySavedPreset(*command); !applied) {
            std::cerr << "quorvane-cli: " << applied.error().message << '\n';
            return 2;
        }
    }
    if (command->savePresetName) {
        if (const Result<void> saved = saveAsPreset(*command); !saved) {
            std::cerr << "quorvane-cli: " << saved.error().message << '\n';
            return 1;
        }
    }

    if (command->journal)
        return listJournal(
            command->folder.empty() ? std::nullopt : std::optional<std::filesystem::path>(command->folder));
    if (command->undo)
        return undoNewest(command->folder);
    if (command->recover)
        return recoverFolder(command->folder, *command->recover);

    // The folder's identity before and after listing: a folder swapped meanwhile is not the one that was listed.
    const auto listed = FolderIdentity::of(command->folder);
    if (listed && reportInterrupted(*listed) > 0 && command->apply)
        return 1;

    const FileAccessService fileAccess;
    std::optional<Planned> planned = listAndPlan(*command, fileAccess);
    if (!planned)
        return 1;
    const RenamePipeline::Preview &preview = planned->preview;
    if (preview.timedOutNames > 0)
        std::cerr << preview.timedOutLine() << '\n';
    const std::vector<RenamePlan> &plans = preview.plans;
    if (command->apply) {
        if (!listed || FolderIdentity::of(command->folder) != listed) {
            std::cerr << cliText(
                QT_TRANSLATE_NOOP("quorvane-cli", "The folder %1 was moved or replaced while it was listed."),
                { command->folder })
                      << '\n';
            return 1;
        }
        return exitNow(applyChangedPlans(command->folder, listed, preview, planned->stamps));
    }
    printPreview(plans, command->json, readsCaptureDates(command->rules));
    return exitNow(0);
}
