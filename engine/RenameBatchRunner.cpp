#include "RenameBatchRunner.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "FilePaths.h"
#include "Log.h"
#include "Unicode.h"

namespace {

// Files between two progress reports of a long batch. The batch does not yield between them: on a busy machine
// every yield hands the rest of the time slice to another process, which made a batch of 10,000 files wait
// longer than it worked.
constexpr std::size_t progressInterval = 50;
// A placeholder made by the batch has a status change time after the journal's start; FAT keeps times in
// steps of two seconds.
constexpr std::int64_t clockSlack = 2'000'000'000;

std::string folderOf(const std::string &relative)
{
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash + 1);
}

std::string baseOf(const std::string &relative)
{
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

/// Whether `status` is the file a step was planned for: same size, and same inode or (on volumes whose inode
/// numbers do not last, such as FAT through FUSE) same modification time, which a rename leaves alone.
bool isStepFile(const std::optional<EntryStatus> &status, const JournalStep &step)
{
    return status && status->regular && status->size == step.size
        && (status->inode == step.inode || status->modified == step.modified);
}

FileLocation absolute(const BatchFolder &folder, const std::string &relative)
{
    return FileLocation(folder.absoluteText(relative));
}

/// The exact names of the folders a recovery or undo looks at, read once each and kept up to date with the
/// changes it makes. On a volume that ignores letter case, only the listing tells which spelling is there.
class NameCache final {
public:
    explicit NameCache(BatchFolder &folder)
        : m_folder(folder)
    {
    }

    bool has(const std::string &relative)
    {
        const auto &names = namesOf(relative);
        return names.count(baseOf(relative)) > 0;
    }
    std::optional<EntryStatus> entry(const std::string &relative)
    {
        return has(relative) ? m_folder.entry(relative) : std::nullopt;
    }
    void moved(const std::string &from, const std::string &to)
    {
        namesOf(from).erase(baseOf(from));
        namesOf(to).insert(baseOf(to));
    }
    void removed(const std::string &relative) { namesOf(relative).erase(baseOf(relative)); }
    /// Reads the folder of `relative` again at the next question (after a step whose end state is unknown).
    void forget(const std::string &relative) { m_names.erase(folderOf(relative)); }

private:
    std::unordered_set<std::string> &namesOf(const std::string &relative)
    {
        const std::string folder = folderOf(relative);
        auto found = m_names.find(folder);
        if (found == m_names.end())
            found = m_names.emplace(folder, m_folder.namesBeside(relative).value_or(std::unordered_set<std::string> {}))
                        .first;
        return found->second;
    }

    BatchFolder &m_folder;
    std::unordered_map<std::string, std::unordered_set<std::string>> m_names;
};

/// Performs one step. A change of letter case goes through the step's hidden name; when its second half
/// fails, the file goes back to its old name if that is still free, and otherwise the reason says where it is.
Result<void> performStep(BatchFolder &folder, const JournalStep &step, const PlaceholderCallback &placeholder)
{
    if (step.temporary.empty())
        return folder.rename(step.from, step.to, placeholder);
    if (Result<void> hidden = folder.rename(step.from, step.temporary, placeholder); !hidden)
        return hidden;
    const Result<void> renamed = folder.rename(step.temporary, step.to, placeholder);
    if (renamed || folder.rename(step.temporary, step.from))
        return renamed;
    const std::string hidden = baseOf(step.temporary);
    if (renamed.error().code == EEXIST)
        return Error { "renamed to " + hidden + " because the new name appeared during the rename", EEXIST };
    return Error { "renamed to " + hidden + ": " + renamed.error().message, renamed.error().code };
}

/// Runs steps in order under a journal, reporting progress, stopping when asked or when the folder moves.
struct StepRun {
    std::vector<std::size_t> failed;
    std::vector<std::string> reasons;
    std::size_t attempted = 0;
    bool interrupted = false; ///< `stop` was set
    bool folderMoved = false;
};

StepRun runSteps(BatchFolder &folder, RenameJournalWriter &journal, const std::vector<JournalStep> &steps,
    const FileRenameService::ProgressCallback &progress, const std::atomic<bool> *stop, FileMetadataProviding &metadata,
    std::size_t &renamed)
{
    StepRun run;
    const auto total = static_cast<std::int64_t>(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            run.interrupted = true;
            break;
        }
        // The renames themselves cannot be redirected, but a folder that is no longer where the user sees it
        // is not the batch the user asked for: stop rather than go on renaming out of sight. Looked at before the
        // first file and after each progress report (every 50 files), which costs nothing measurable.
        if ((i == 0 || i % progressInterval == 1) && !folder.stillAtRoot()) {
            run.folderMoved = true;
            break;
        }
        const JournalStep &step = steps[i];
        const Result<void> performed
            = performStep(folder, step, [&](std::uint64_t inode) { journal.placeholder(i, inode); });
        if (!performed) {
            run.failed.push_back(i);
            run.reasons.push_back(performed.error().message);
        } else {
            // The paths are made only for a provider that keeps something by path.
            if (!metadata.itemMovedUnnamed())
                metadata.itemMoved(absolute(folder, step.from), absolute(folder, step.to));
            ++renamed;
        }
        run.attempted = i + 1;
        journal.progress(run.attempted);
        if (progress && i > 0 && i % progressInterval == 0)
            progress(static_cast<std::int64_t>(i) + 1, total);
    }
    if (progress && total > 0 && run.attempted == steps.size())
        progress(total, total);
    return run;
}

std::string folderError(const std::filesystem::path &folder, const Error &error)
{
    if (error.code == ESTALE)
        return "The folder " + folder.string() + " was moved or replaced since it was listed. Nothing was renamed.";
    return "The folder " + folder.string() + " cannot be opened: " + error.message;
}

std::string movedError(const std::filesystem::path &folder, std::size_t done, std::size_t total)
{
    return "The folder " + folder.string() + " was moved or replaced during the rename; " + std::to_string(done)
        + " of " + std::to_string(total) + " files were handled, the rest were left alone.";
}

} // namespace

RenameBatchRunner::RenameBatchRunner(const RenameJournalStore &store, FileMetadataProviding &metadata)
    : m_store(store)
    , m_metadata(metadata)
{
}

std::string RenameBatchRunner::interruptedMessage(const JournalRecord &record)
{
    return "A rename of " + std::to_string(record.stepCount) + " files in " + record.folder.string()
        + " was interrupted.";
}

RenameBatchRunner::Outcome RenameBatchRunner::apply(const std::filesystem::path &folderPath,
    std::optional<FolderIdentity> listed, const std::vector<RenamePlan> &plans,
    const FileRenameService::ProgressCallback &progress, const std::atomic<bool> *stop, const FileStamps *seen)
{
    Outcome outcome;
    const Result<std::unique_ptr<BatchFolder>> opened = BatchFolder::open(folderPath, listed);
    if (!opened) {
        outcome.error = folderError(folderPath, opened.error());
        return outcome;
    }
    const auto &folder = *opened;
    const auto lock = m_store.lockFolder(folder->identity());
    if (!lock) {
        outcome.error = lock.error().message;
        return outcome;
    }
    if (const auto interrupted = m_store.interrupted(folder->identity(), true); !interrupted.empty()) {
        outcome.error = interruptedMessage(interrupted.front());
        return outcome;
    }

    std::vector<JournalStep> steps;
    std::vector<const RenamePlan *> stepPlans;
    steps.reserve(plans.size());
    stepPlans.reserve(plans.size());
    // Each file's inode, size and time, all known before the first step is written: as the caller saw them, or
    // as they are now (those are looked at together, after this pass).
    std::vector<std::size_t> unseen; ///< steps whose file is still to be looked at
    std::vector<std::string> looked;
    // Files outside the folder or gone, by plan, in plan order.
    std::vector<std::pair<std::size_t, Failure>> refused;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const RenamePlan &plan = plans[i];
        std::optional<std::string> from = folder->relative(plan.originalURL);
        std::optional<std::string> to = folder->relative(plan.newURL);
        if (from && to && *from == *to)
            continue;
        if (!from || !to) {
            refused.emplace_back(
                i, Failure { plan.originalName, plan.newName, "The file is not inside the folder being renamed." });
            continue;
        }
        const std::optional<FileStamp> stamp = seen ? seen->find(*from) : std::nullopt;
        if (!stamp) {
            unseen.push_back(steps.size());
            looked.push_back(*from);
        }
        JournalStep step { std::move(*from), std::move(*to), {}, 0, 0, 0, -1 };
        if (stamp) {
            step.inode = stamp->inode;
            step.size = stamp->size;
            step.modified = stamp->modified;
        }
        // A volume that ignores letter case sees the new name as the file itself; a third name makes the change
        // happen on every volume.
        if (Unicode::equalIgnoringCase(step.from, step.to))
            step.temporary = folderOf(step.from) + hiddenTemporaryName(baseOf(step.from));
        steps.push_back(std::move(step));
        stepPlans.push_back(&plan);
    }
    if (!unseen.empty()) {
        const std::vector<std::optional<EntryStatus>> statuses = folder->entries(looked);
        std::vector<bool> gone(steps.size(), false);
        for (std::size_t k = 0; k < unseen.size(); ++k) {
            JournalStep &step = steps[unseen[k]];
            if (const auto &status = statuses[k]) {
                step.inode = status->inode;
                step.size = status->size;
                step.modified = status->modified;
                continue;
            }
            gone[unseen[k]] = true;
            const RenamePlan &plan = *stepPlans[unseen[k]];
            refused.emplace_back(static_cast<std::size_t>(&plan - plans.data()),
                Failure { plan.originalName, plan.newName, "No such file or directory" });
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (gone[i])
                continue;
            if (kept != i) {
                steps[kept] = std::move(steps[i]);
                stepPlans[kept] = stepPlans[i];
            }
            ++kept;
        }
        steps.resize(kept);
        stepPlans.resize(kept);
        std::stable_sort(
            refused.begin(), refused.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    for (auto &[index, failure] : refused)
        outcome.failures.push_back(std::move(failure));
    // Only the steps are needed from here on; a million names would stay through the whole batch.
    unseen = {};
    looked = {};
    if (steps.empty())
        return outcome;

    auto created = RenameJournalWriter::create(m_store, JournalRecord::Kind::apply, *folder, steps, {});
    if (!created) {
        outcome.error = created.error().message + " Nothing was renamed.";
        return outcome;
    }
    const auto &journal = *created;
    outcome.journalId = journal->id();
    const StepRun run = runSteps(*folder, *journal, steps, progress, stop, m_metadata, outcome.renamedCount);
    for (std::size_t k = 0; k < run.failed.size(); ++k) {
        const RenamePlan &plan = *stepPlans[run.failed[k]];
        logMessage("Rename failed " + plan.originalName + " -> " + plan.newName + ": " + run.reasons[k]);
        outcome.failures.push_back(Failure { plan.originalName, plan.newName, run.reasons[k] });
    }
    if (run.interrupted) {
        outcome.error = "The rename was interrupted after " + std::to_string(run.attempted) + " of "
            + std::to_string(steps.size()) + " files.";
        return outcome;
    }
    std::vector<std::size_t> notDone = run.failed;
    for (std::size_t i = run.attempted; i < steps.size(); ++i)
        notDone.push_back(i);
    if (run.folderMoved)
        outcome.error = movedError(folderPath, run.attempted, steps.size());
    journal->complete(run.folderMoved ? "stopped" : "applied", notDone);
    m_store.prune();
    return outcome;
}

RenameBatchRunner::Outcome RenameBatchRunner::undo(RenameJournalStore::HistoryEntry entry,
    const FileRenameService::ProgressCallback &progress, const std::atomic<bool> *stop)
{
    Outcome outcome;
    JournalRecord &batch = entry.batch;
    const Result<std::unique_ptr<BatchFolder>> opened = BatchFolder::open(batch.folder, batch.identity);
    if (!opened) {
        outcome.error = opened.error().code == ESTALE
            ? "The folder " + batch.folder.string() + " is no longer the folder that was renamed. Nothing was undone."
            : "The folder " + batch.folder.string() + " cannot be opened: " + opened.error().message;
        return outcome;
    }
    const auto &folder = *opened;
    const auto lock = m_store.lockFolder(folder->identity());
    if (!lock) {
        outcome.error = lock.error().message;
        return outcome;
    }

    NameCache names(*folder);
    // The undo's steps are made in place of the batch's own, which are not needed again (a million of each would
    // double what the undo holds): walked in batch order, each kept step moves to the front, never past a step
    // still to be read; then the list is reversed, last rename first.
    std::vector<JournalStep> &steps = batch.steps;
    std::sort(entry.steps.begin(), entry.steps.end());
    entry.steps.erase(std::unique(entry.steps.begin(), entry.steps.end()), entry.steps.end());
    std::size_t kept = 0;
    std::vector<std::size_t> skipped;
    for (const std::size_t index : entry.steps) {
        if (index >= steps.size())
            break;
        JournalStep &done = steps[index];
        const auto status = names.entry(done.to);
        if (!isStepFile(status, done)) {
            skipped.push_back(index);
            outcome.failures.push_back(Failure { baseOf(done.to), baseOf(done.from),
                status || names.has(done.to) ? "another file now has this name" : "it is no longer there" });
            continue;
        }
        JournalStep back { std::move(done.to), std::move(done.from), {}, status->inode, status->size, status->modified,
            static_cast<std::int64_t>(index) };
        if (!done.temporary.empty())
            back.temporary = folderOf(back.from) + hiddenTemporaryName(baseOf(back.from));
        steps[kept++] = std::move(back);
    }
    steps.resize(kept);
    std::reverse(steps.begin(), steps.end());
    std::reverse(skipped.begin(), skipped.end());
    std::reverse(outcome.failures.begin(), outcome.failures.end());
    entry.steps = {};
    auto created
        = RenameJournalWriter::createWithSkipped(m_store, JournalRecord::Kind::undo, *folder, steps, batch.id, skipped);
    if (!created) {
        outcome.error = created.error().message + " Nothing was undone.";
        return outcome;
    }
    const auto &journal = *created;
    outcome.journalId = journal->id();
    const StepRun run = runSteps(*folder, *journal, steps, progress, stop, m_metadata, outcome.renamedCount);
    std::vector<std::size_t> remaining = skipped;
    for (std::size_t k = 0; k < run.failed.size(); ++k) {
        const JournalStep &step = steps[run.failed[k]];
        logMessage("Undo rename failed " + folder->absoluteText(step.from) + " -> " + folder->absoluteText(step.to)
            + ": " + run.reasons[k]);
        outcome.failures.push_back(Failure { baseOf(step.from), baseOf(step.to), run.reasons[k] });
        remaining.push_back(static_cast<std::size_t>(step.source));
    }
    if (run.interrupted) {
        outcome.error = "The undo was interrupted after " + std::to_string(run.attempted) + " of "
            + std::to_string(steps.size()) + " files.";
        return outcome;
    }
    std::vector<std::size_t> notDone = run.failed;
    for (std::size_t i = run.attempted; i < steps.size(); ++i) {
        notDone.push_back(i);
        remaining.push_back(static_cast<std::size_t>(steps[i].source));
    }
    if (run.folderMoved)
        outcome.error = movedError(batch.folder, run.attempted, steps.size());
    journal->complete(run.folderMoved ? "stopped" : "applied", notDone, remaining);
    m_store.prune();
    return outcome;
}

RenameBatchRunner::Outcome RenameBatchRunner::recover(const JournalRecord &interrupted, Direction direction)
{
    Outcome outcome;
    const Result<std::unique_ptr<BatchFolder>> opened = BatchFolder::open(interrupted.folder, interrupted.identity);
    if (!opened) {
        outcome.error = "The folder " + interrupted.folder.string()
            + " of the interrupted rename cannot be opened: " + opened.error().message;
        return outcome;
    }
    const auto &folder = *opened;
    const auto lock = m_store.lockFolder(folder->identity());
    if (!lock) {
        outcome.error = lock.error().message;
        return outcome;
    }
    // Read again under the lock: the summary may be stale, and the steps are needed now.
    const auto record = m_store.read(interrupted.file);
    if (!record || record->complete) {
        outcome.error = "The interrupted rename was already recovered.";
        return outcome;
    }

    NameCache names(*folder);
    std::vector<std::size_t> failed;
    const bool finish = direction == Direction::finish;
    const auto fail = [&](std::size_t index, const std::string &name, const std::string &reason) {
        failed.push_back(index);
        outcome.failures.push_back(Failure { name, {}, reason });
    };
    const auto move = [&](const std::string &from, const std::string &to) -> Result<void> {
        if (Result<void> moved = folder->rename(from, to); !moved)
            return moved;
        names.moved(from, to);
        const auto source = absolute(*folder, from);
        const auto target = absolute(*folder, to);
        m_metadata.itemMoved(source, target);
        ++outcome.renamedCount;
        return {};
    };

    const std::size_t count = record->steps.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = finish ? k : count - 1 - k;
        const JournalStep &step = record->steps[i];
        const auto placeholders = record->placeholders.find(i);

        // Empty placeholders of this step at its new or hidden name: by their recorded inode, or, when the
        // batch was cut off before it could record one, as an empty file made after the batch began while the
        // file itself is still in place.
        for (const std::string *name : { &step.to, &step.temporary }) {
            if (name->empty())
                continue;
            const auto status = names.entry(*name);
            if (!status || !status->regular || status->size != 0 || isStepFile(status, step))
                continue;
            const bool recorded = placeholders != record->placeholders.end()
                && std::find(placeholders->second.begin(), placeholders->second.end(), status->inode)
                    != placeholders->second.end();
            const bool madeByBatch = status->changed + clockSlack >= record->started
                && (isStepFile(names.entry(step.from), step)
                    || (!step.temporary.empty() && isStepFile(names.entry(step.temporary), step)));
            if ((recorded || madeByBatch) && folder->remove(*name))
                names.removed(*name);
        }

        // A hard link made in place of a rename, cut off before the old name was removed: one file under two of
        // the step's names (old and hidden, hidden and new, or old and new). The name further along the chosen
        // direction stays; the others are only extra names of the same inode and go.
        {
            std::vector<const std::string *> order { &step.from };
            if (!step.temporary.empty())
                order.push_back(&step.temporary);
            order.push_back(&step.to);
            if (!finish)
                std::reverse(order.begin(), order.end());
            std::optional<EntryStatus> kept;
            for (auto name = order.rbegin(); name != order.rend(); ++name) {
                const auto status = names.entry(**name);
                if (!isStepFile(status, step))
                    continue;
                if (!kept) {
                    kept = status;
                } else if (status->inode == kept->inode && kept->links >= 2 && folder->remove(**name)) {
                    names.removed(**name);
                    --kept->links;
                }
            }
        }
        const bool isFrom = isStepFile(names.entry(step.from), step);
        const bool isTo = isStepFile(names.entry(step.to), step);
        const bool isHidden = !step.temporary.empty() && isStepFile(names.entry(step.temporary), step);

        if (finish) {
            if (isTo)
                continue;
            if (isHidden) {
                if (const Result<void> moved = move(step.temporary, step.to); !moved) {
                    const std::string &reason = moved.error().message;
                    // The new name was taken meanwhile: the old one, if free, is better than a hidden one.
                    if (!move(step.temporary, step.from))
                        fail(i, baseOf(step.temporary), "renamed to " + baseOf(step.temporary) + ": " + reason);
                    else
                        fail(i, baseOf(step.from), reason);
                }
                continue;
            }
            if (isFrom) {
                if (const Result<void> performed = performStep(*folder, step, {}); !performed) {
                    fail(i, baseOf(step.from), performed.error().message);
                    names.forget(step.from);
                } else {
                    names.moved(step.from, step.to);
                    const auto source = absolute(*folder, step.from);
                    const auto target = absolute(*folder, step.to);
                    m_metadata.itemMoved(source, target);
                    ++outcome.renamedCount;
                }
                continue;
            }
            fail(i, baseOf(step.from), "it is under neither its old nor its new name");
            continue;
        }

        if (isFrom && !isTo)
            continue;
        if (isHidden) {
            if (const Result<void> moved = move(step.temporary, step.from); !moved)
                fail(i, baseOf(step.temporary), "renamed to " + baseOf(step.temporary) + ": " + moved.error().message);
            continue;
        }
        if (isTo) {
            const JournalStep back { step.to, step.from, step.temporary, step.inode, step.size, step.modified, -1 };
            if (const Result<void> performed = performStep(*folder, back, {}); !performed) {
                fail(i, baseOf(step.to), performed.error().message);
                names.forget(step.to);
            } else {
                names.moved(step.to, step.from);
                const auto source = absolute(*folder, step.to);
                const auto target = absolute(*folder, step.from);
                m_metadata.itemMoved(source, target);
                ++outcome.renamedCount;
            }
            continue;
        }
        fail(i, baseOf(step.from), "it is under neither its old nor its new name");
    }

    // An interrupted undo batch settles which steps of the batch it took back are still renamed.
    std::vector<std::size_t> remaining = record->remaining;
    if (record->kind == JournalRecord::Kind::undo) {
        for (std::size_t i = 0; i < count; ++i) {
            const bool stillRenamed = !finish || std::find(failed.begin(), failed.end(), i) != failed.end();
            if (stillRenamed && record->steps[i].source >= 0)
                remaining.push_back(static_cast<std::size_t>(record->steps[i].source));
        }
    }
    std::sort(failed.begin(), failed.end());
    if (!RenameJournalWriter::completeInterrupted(*record, finish ? "finished" : "undone", failed, remaining))
        outcome.error = "The journal of the interrupted rename cannot be closed.";
    m_store.prune();
    return outcome;
}
