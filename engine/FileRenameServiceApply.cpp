// Performing and undoing rename batches; planning lives in FileRenameService.cpp.
#include "FileRenameService.h"

#include <thread>

#include "FilePaths.h"
#include "Log.h"

namespace {

// Positions at which a long batch gives other work its turn and reports progress.
constexpr std::size_t yieldInterval = 50;

/// Reports progress at the yield points and once at the end, never twice for the same count.
class ProgressReporter final {
public:
    ProgressReporter(const FileRenameService::ProgressCallback &callback, std::size_t total)
        : m_callback(callback)
        , m_total(static_cast<std::int64_t>(total))
    {
    }

    /// Called after the entry at `position` was attempted.
    void attempted(std::size_t position)
    {
        if (position == 0 || position % yieldInterval != 0)
            return;
        report(static_cast<std::int64_t>(position) + 1);
        std::this_thread::yield();
    }

    void finished()
    {
        // An empty list has nothing to complete, and a zero total invites a division by zero in the receiver.
        if (m_total > 0 && m_lastReported != m_total)
            report(m_total);
    }

private:
    void report(std::int64_t done)
    {
        m_lastReported = done;
        if (m_callback)
            m_callback(done, m_total);
    }

    const FileRenameService::ProgressCallback &m_callback;
    std::int64_t m_total;
    std::int64_t m_lastReported = -1;
};

} // namespace

FileRenameService::ApplyResult FileRenameService::applyPlans(
    const std::vector<RenamePlan> &plans, const ProgressCallback &progress)
{
    ApplyResult result;
    ProgressReporter reporter(progress, plans.size());
    for (std::size_t position = 0; position < plans.size(); ++position) {
        const RenamePlan &plan = plans[position];
        // Exact comparison, letter case included: a case-only change must still reach moveItem.
        const std::filesystem::path from = plan.originalURL.path();
        const std::filesystem::path to = plan.newURL.path();
        if (FilePaths::standardized(from) == FilePaths::standardized(to))
            continue;

        if (const Result<void> moved = m_fileAccess.moveItem(from, to); !moved) {
            const std::string &reason = moved.error().message;
            logMessage("Rename failed " + plan.originalName + " -> " + plan.newName + ": " + reason);
            result.failures.push_back(RenameFailure { plan.originalName, plan.newName, reason });
        } else {
            m_metadata.itemMoved(from, to);
            result.undoEntries.push_back(RenameUndoEntry { plan.newURL, plan.originalURL });
        }
        reporter.attempted(position);
    }
    reporter.finished();
    return result;
}

FileRenameService::UndoResult FileRenameService::undoBatch(
    const std::vector<RenameUndoEntry> &batch, const ProgressCallback &progress)
{
    UndoResult result;
    ProgressReporter reporter(progress, batch.size());
    // Last rename first: a batch that freed a name and then reused it (A -> X, B -> A) must give A back to B's
    // file before X can return to A.
    std::size_t position = 0;
    for (auto entry = batch.rbegin(); entry != batch.rend(); ++entry, ++position) {
        const std::filesystem::path from = entry->renamedURL.path();
        const std::filesystem::path to = entry->originalURL.path();
        if (const Result<void> moved = m_fileAccess.moveItem(from, to); !moved) {
            logMessage("Undo rename failed " + entry->renamedURL.text() + " -> " + entry->originalURL.text() + ": "
                + moved.error().message);
            result.failedEntries.push_back(*entry);
        } else {
            m_metadata.itemMoved(from, to);
            ++result.restoredCount;
        }
        reporter.attempted(position);
    }
    reporter.finished();
    return result;
}
