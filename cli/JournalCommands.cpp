#include "JournalCommands.h"

#include "CliText.h"

#include <csignal>
#include <ctime>
#include <iostream>

#include "PhotoMetadataService.h"
#include "RenameBatchRunner.h"
#include "RenameJournal.h"

namespace {

void requestStop(int)
{
    stopRequested().store(true);
}

std::string timeText(std::int64_t nanoseconds)
{
    const std::time_t seconds = static_cast<std::time_t>(nanoseconds / 1'000'000'000);
    std::tm local {};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::optional<FolderIdentity> identityOrReport(const std::filesystem::path &folder)
{
    auto identity = FolderIdentity::of(folder);
    if (!identity)
        std::cerr << cliText(QT_TRANSLATE_NOOP("quorvane-cli", "Cannot access the selected folder.")) << '\n';
    return identity;
}

/// `verb`: the untranslated text of the first line, with %1 for the number of files.
int printOutcome(const RenameBatchRunner::Outcome &outcome, const char *verb)
{
    std::cout << cliText(verb, { std::to_string(outcome.renamedCount) });
    if (!outcome.failures.empty())
        std::cout << cliText(QT_TRANSLATE_NOOP("quorvane-cli", ", %1 could not be handled"),
            { std::to_string(outcome.failures.size()) });
    std::cout << '\n';
    for (const auto &failure : outcome.failures)
        std::cout << failure.name << ": " << failure.reason << '\n';
    if (outcome.error)
        std::cerr << *outcome.error << '\n';
    return outcome.error || !outcome.failures.empty() ? 1 : 0;
}

} // namespace

std::atomic<bool> &stopRequested()
{
    static std::atomic<bool> stop { false };
    return stop;
}

int reportInterrupted(const FolderIdentity &folder)
{
    const auto interrupted = RenameJournalStore().interrupted(folder);
    for (const auto &record : interrupted) {
        std::cerr << RenameBatchRunner::interruptedMessage(record) << "\n"
                  << cliText(QT_TRANSLATE_NOOP("quorvane-cli",
                         "Run quorvane-cli --recover finish FOLDER to complete it, or --recover undo FOLDER "
                         "to take it back."))
                  << '\n';
    }
    return static_cast<int>(interrupted.size());
}

RenameBatchRunner::Outcome applyJournaled(const std::filesystem::path &folder, std::optional<FolderIdentity> listed,
    const std::vector<RenamePlan> &plans, const FileRenameService::ProgressCallback &progress, const FileStamps &seen)
{
    // Ctrl-C stops between two files, so that no file is caught between two names; the journal stays open.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    const RenameJournalStore store;
    RenameBatchRunner runner(store, PhotoMetadataService::shared());
    auto outcome = runner.apply(folder, listed, plans, progress, &stopRequested(), &seen);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return outcome;
}

int recoverFolder(const std::filesystem::path &folder, const std::string &direction)
{
    const auto identity = identityOrReport(folder);
    if (!identity)
        return 1;
    const RenameJournalStore store;
    const auto interrupted = store.interrupted(*identity);
    if (interrupted.empty()) {
        std::cout << cliText(QT_TRANSLATE_NOOP("quorvane-cli", "No interrupted rename in %1."), { folder.string() })
                  << '\n';
        return 0;
    }
    RenameBatchRunner runner(store, PhotoMetadataService::shared());
    int status = 0;
    for (const auto &record : interrupted) {
        const auto outcome = runner.recover(
            record, direction == "finish" ? RenameBatchRunner::Direction::finish : RenameBatchRunner::Direction::undo);
        status = std::max(status,
            printOutcome(outcome,
                direction == "finish" ? QT_TRANSLATE_NOOP("quorvane-cli", "Finished: renamed %1 items")
                                      : QT_TRANSLATE_NOOP("quorvane-cli", "Undone: renamed %1 items")));
    }
    return status;
}

int undoNewest(const std::filesystem::path &folder)
{
    const auto identity = identityOrReport(folder);
    if (!identity)
        return 1;
    if (reportInterrupted(*identity) > 0)
        return 1;
    const RenameJournalStore store;
    auto history = store.history(*identity);
    if (history.empty()) {
        std::cout << cliText(QT_TRANSLATE_NOOP("quorvane-cli", "Nothing to undo in %1."), { folder.string() }) << '\n';
        return 0;
    }
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    RenameBatchRunner runner(store, PhotoMetadataService::shared());
    const auto outcome = runner.undo(std::move(history.back()), {}, &stopRequested());
    std::cout << cliText(
        QT_TRANSLATE_NOOP("quorvane-cli", "Reverted %1 items"), { std::to_string(outcome.renamedCount) });
    if (!outcome.failures.empty())
        std::cout << cliText(QT_TRANSLATE_NOOP("quorvane-cli", ", %1 could not be restored"),
            { std::to_string(outcome.failures.size()) });
    std::cout << '\n';
    for (const auto &failure : outcome.failures)
        std::cout << failure.name << ": " << failure.reason << '\n';
    if (outcome.error)
        std::cerr << *outcome.error << '\n';
    return outcome.error || !outcome.failures.empty() ? 1 : 0;
}

int listJournal(const std::optional<std::filesystem::path> &folder)
{
    std::optional<FolderIdentity> identity;
    if (folder) {
        identity = identityOrReport(*folder);
        if (!identity)
            return 1;
    }
    const RenameJournalStore store;
    const auto interrupted = store.interrupted(identity);
    for (const auto &record : store.records(false)) {
        if (identity && record.identity != *identity)
            continue;
        std::string state = record.complete ? record.outcome : "running";
        for (const auto &open : interrupted) {
            if (open.id == record.id)
                state = "interrupted";
        }
        std::cout << record.id << "  " << timeText(record.started) << "  "
                  << (record.kind == JournalRecord::Kind::undo ? "undo " : "apply") << "  " << record.stepCount
                  << " files  " << state << "  " << record.folder.string() << '\n';
    }
    return 0;
}
