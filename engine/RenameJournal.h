#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "BatchFolder.h"

/// One rename of a journaled batch, inside the batch's folder.
struct JournalStep {
    std::string from; ///< relative to the folder
    std::string to; ///< relative to the folder
    std::string temporary; ///< the hidden name (relative) a change of letter case passes through; empty otherwise
    std::uint64_t inode = 0; ///< the file as it was found before the batch began
    std::int64_t size = 0;
    std::int64_t modified = 0; ///< nanoseconds since the epoch
    std::int64_t source = -1; ///< in an undo batch: the step of the undone batch this one takes back

    bool operator==(const JournalStep &) const = default;
};

/// A batch as its journal file tells it.
struct JournalRecord {
    enum class Kind { apply, undo };

    std::string id;
    std::filesystem::path file;
    Kind kind = Kind::apply;
    std::filesystem::path folder;
    FolderIdentity identity;
    std::int64_t started = 0; ///< nanoseconds since the epoch
    std::string undoes; ///< an undo batch: the id of the batch it takes back
    std::size_t stepCount = 0;
    std::vector<JournalStep> steps; ///< empty when only the summary was read
    /// step -> inodes of the empty placeholders it created
    std::unordered_map<std::size_t, std::vector<std::uint64_t>> placeholders;
    std::int64_t progress = 0; ///< steps known to have been attempted at the last flush
    bool complete = false;
    /// How a complete batch ended: "applied" (ran to its end), "stopped" (gave up part way), "finished" or
    /// "undone" (an interrupted batch completed or taken back by recovery).
    std::string outcome;
    std::vector<std::size_t> failed; ///< steps that were not performed
    /// An undo batch: the steps of the undone batch that are still renamed after it.
    std::vector<std::size_t> remaining;
};

/// Where the journals live: one file per batch under `$XDG_STATE_HOME/Quorvane/` (by default
/// `~/.local/state/Quorvane/`), "ID.running" while the batch runs and "ID.batch" once it is complete, plus one
/// lock file per folder. Complete journals are the undo history that survives a restart; the newest
/// `historyDepth` undoable batches are kept. Safe to use from several processes; one object per thread.
class RenameJournalStore final {
public:
    /// The most batches kept for undo.
    static constexpr std::size_t historyDepth = 10;

    /// The store of the current user.
    static std::filesystem::path defaultLocation();
    explicit RenameJournalStore(std::filesystem::path location = defaultLocation());

    const std::filesystem::path &location() const { return m_location; }

    /// An advisory lock on one folder (by identity), held by this process until destroyed.
    class FolderLock final {
    public:
        explicit FolderLock(int fd);
        ~FolderLock();
        FolderLock(const FolderLock &) = delete;
        FolderLock &operator=(const FolderLock &) = delete;

    private:
        int m_fd;
    };
    /// Takes the lock of `folder` without waiting. Fails when another batch holds it ("Another rename is running
    /// in this folder.") or the store cannot be written.
    Result<std::unique_ptr<FolderLock>> lockFolder(const FolderIdentity &folder) const;

    /// Every journal, oldest first; with `withSteps` false only the first and last lines of each are read.
    std::vector<JournalRecord> records(bool withSteps = false) const;
    /// The batches whose journal is not complete and whose folder no running batch holds: interrupted ones.
    /// Only those of `folder` when given; `lockHeld` says the caller holds the lock of `folder`.
    std::vector<JournalRecord> interrupted(
        std::optional<FolderIdentity> folder = std::nullopt, bool lockHeld = false) const;
    /// Reads one journal whole; nothing when it cannot be read or was never fully written (no rename of such a
    /// batch happened).
    std::optional<JournalRecord> read(const std::filesystem::path &file) const;

    /// One entry of the undo history: a batch and the steps of it that are still to be taken back.
    struct HistoryEntry {
        JournalRecord batch; ///< with its steps
        std::vector<std::size_t> steps; ///< in batch order
    };
    /// The undo history, newest last, at most `historyDepth` entries; only those of `folder` when given. Batches
    /// whose folder is no longer where it was are left out. Only the newest entry's batch carries its steps (the
    /// others have `stepCount` and their step indices).
    std::vector<HistoryEntry> history(std::optional<FolderIdentity> folder = std::nullopt) const;
    /// Removes the complete journals that no longer belong to the history.
    void prune() const;

private:
    /// The history across all folders, from the summaries alone.
    std::vector<HistoryEntry> summaryHistory() const;

    std::filesystem::path m_location;
};

/// Writes the journal of one batch. Nothing is renamed before `create` returns: by then the folder, every step
/// and every temporary name are on disk (the file and its folder flushed).
class RenameJournalWriter final {
public:
    /// Writes and flushes the journal of a batch; fails with the reason when that fails.
    static Result<std::unique_ptr<RenameJournalWriter>> create(const RenameJournalStore &store,
        JournalRecord::Kind kind, const BatchFolder &folder, const std::vector<JournalStep> &steps,
        const std::string &undoes);
    /// The same for an undo batch that leaves out the steps `skipped` of the batch it takes back.
    static Result<std::unique_ptr<RenameJournalWriter>> createWithSkipped(const RenameJournalStore &store,
        JournalRecord::Kind kind, const BatchFolder &folder, const std::vector<JournalStep> &steps,
        const std::string &undoes, const std::vector<std::size_t> &skipped);
    ~RenameJournalWriter();
    RenameJournalWriter(const RenameJournalWriter &) = delete;
    RenameJournalWriter &operator=(const RenameJournalWriter &) = delete;

    const std::string &id() const { return m_id; }
    std::int64_t started() const { return m_started; }

    /// Step `index` left an empty placeholder with `inode` at its destination (written at once, flushed with the
    /// next progress line).
    void placeholder(std::size_t index, std::uint64_t inode);
    /// `done` steps have been attempted; written when a second has passed since the last progress line.
    void progress(std::size_t done);
    /// Marks the journal complete and files it as "ID.batch". Not flushed: the next batch of the same folder
    /// flushes it before it begins.
    void complete(const std::string &outcome, const std::vector<std::size_t> &failed,
        const std::vector<std::size_t> &remaining = {});

    /// Completes the journal of an interrupted batch after recovery.
    static bool completeInterrupted(const JournalRecord &record, const std::string &outcome,
        const std::vector<std::size_t> &failed, const std::vector<std::size_t> &remaining);

private:
    RenameJournalWriter() = default;
    void append(const std::string &line, bool flush);

    std::filesystem::path m_path;
    std::string m_id;
    std::int64_t m_started = 0;
    int m_fd = -1;
    std::int64_t m_lastReport = 0; ///< when the last progress line was written, coarse monotonic nanoseconds
    std::size_t m_lastDone = 0;
    bool m_placeholderPending = false; ///< a placeholder line was written since the last flush
};
