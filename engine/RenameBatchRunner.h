#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "BatchFolder.h"
#include "FileMetadataProviding.h"
#include "FileRenameService.h"
#include "FileStamps.h"
#include "RenameJournal.h"
#include "RenamePlan.h"

/// Runs batches of renames inside one folder under a journal, so that a batch cut short by a crash, a kill or
/// a power cut can be finished or taken back, and undone after a restart. Each batch opens its folder once
/// (and checks that it is the folder that was listed), renames relative to it, holds the folder's lock in the
/// journal store for its whole run, writes every step before the first rename, and reports progress to the
/// journal at least every second. Synchronous; one batch per object at a time; callable from any thread.
class RenameBatchRunner final {
public:
    /// A runner over `store` and `metadata` (told of every move), which must outlive it.
    RenameBatchRunner(const RenameJournalStore &store, FileMetadataProviding &metadata);

    /// One file that a batch could not rename: its name now and why.
    struct Failure {
        std::string name;
        std::string newName;
        std::string reason;
    };

    /// What a batch did. `error` is set when the batch could not start or stopped part way (the renames
    /// already done are still listed).
    struct Outcome {
        /// How many files were renamed. Only counted: the journal keeps what was done, and a list of a million
        /// locations would stay in memory through the reload that follows a batch.
        std::size_t renamedCount = 0;
        std::vector<Failure> failures;
        std::optional<std::string> error;
        std::string journalId; ///< empty when no journal was written
    };

    /// Renames the plans whose standardised locations differ, in order, inside `folder`, which must still be
    /// the folder of identity `listed` (when given). Refuses to start while the folder has an interrupted
    /// batch ("A rename of N files in FOLDER was interrupted.") or another batch runs in it. Stops between two
    /// files when `stop` becomes true (the journal then stays open for recovery) or when the folder is moved
    /// or replaced. `progress` gets (done, total) every 50 files and at the end.
    /// Before the first rename each file's stamp (inode, size, modification time) is written to the journal, as
    /// it is now; or, for the files in `seen` (by path relative to `folder`), as the caller's own listing saw it
    /// moments before in this run, which spares looking at every file again. A file gone since then fails at its
    /// rename with the system's reason, as one gone during the batch does. Only a caller that lists and applies in
    /// one go may pass `seen`: of a file replaced in between it would keep the listed one, which an undo would
    /// then pass by as another file.
    Outcome apply(const std::filesystem::path &folder, std::optional<FolderIdentity> listed,
        const std::vector<RenamePlan> &plans, const FileRenameService::ProgressCallback &progress = {},
        const std::atomic<bool> *stop = nullptr, const FileStamps *seen = nullptr);

    /// Takes back an entry of the undo history, last rename first. Only files still found under their new
    /// name as the same file (same inode, or same size and modification time) are moved back; the others are
    /// reported by name with the reason ("it is no longer there", "another file now has this name"), and so is
    /// a file whose old name is taken. Those stay in the history for another attempt. The entry's steps are freed
    /// once the undo's own are made.
    Outcome undo(RenameJournalStore::HistoryEntry entry, const FileRenameService::ProgressCallback &progress = {},
        const std::atomic<bool> *stop = nullptr);

    /// Which way to settle an interrupted batch.
    enum class Direction { finish, undo };
    /// Completes (`finish`) or takes back (`undo`) an interrupted batch, deciding from the disk what was done:
    /// for each step, which of its names exist and hold its file. Hidden temporary names are resolved, empty
    /// placeholders of the batch removed (recognised by inode, or as an empty file made after the batch began
    /// while the file itself was still under its old name), a file left under two names by a hard link keeps
    /// one. Nothing is ever replaced. `renamedCount` counts the files moved by the recovery itself.
    Outcome recover(const JournalRecord &interrupted, Direction direction);

    /// "A rename of N files in FOLDER was interrupted."
    static std::string interruptedMessage(const JournalRecord &record);

private:
    const RenameJournalStore &m_store;
    FileMetadataProviding &m_metadata;
};
