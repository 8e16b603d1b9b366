#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FileItem.h"
#include "FileMetadataProviding.h"
#include "FileRenameFileSystem.h"
#include "RenameParameters.h"
#include "RenamePlan.h"
#include "RenameRule.h"
#include "RenameUndoEntry.h"

/// Plans, performs and undoes batches of renames. Reaches the disk only through its two collaborators,
/// which must outlive it. Holds no other state.
class FileRenameService final {
public:
    FileRenameService(FileRenameFileSystem &fileAccess, FileMetadataProviding &metadata);

    /// One plan per file, in the same order, whose new names collide neither with each other within a folder
    /// nor with other items on disk at the moment of the call. Never changes the disk; never fails.
    /// Cost: about one existence test per file, also when many files map to one name. Date names from capture
    /// dates first read every file's date on all cores (the metadata provider is called from several threads)
    /// and mark the plans of files without one (`usedCreationDate`).
    /// When given, `timedOutNames` is set to the number of names the regular expression ran out of time on (they
    /// keep their stem, like names it does not match, but the user should hear of them).
    std::vector<RenamePlan> generatePlans(const std::vector<FileItem> &files, const RenameParameters &parameters,
        std::int64_t *timedOutNames = nullptr) const;
    /// The same for a list of rules: each file's name goes through every enabled rule in order (see
    /// `RenameRuleNamer`), and conflicts are resolved once, on the final names. A list of one enabled rule gives
    /// exactly the plans of its settings alone; no enabled rule leaves every name as it is.
    std::vector<RenamePlan> generatePlans(
        const std::vector<FileItem> &files, const RenameRuleList &rules, std::int64_t *timedOutNames = nullptr) const;

    /// One rename that failed: the plan's names and the file system's own description of the error.
    struct RenameFailure {
        std::string originalName;
        std::string newName;
        std::string reason; ///< for example "File exists"

        bool operator==(const RenameFailure &) const = default;
    };

    /// What `applyPlans` did: the renames that succeeded (one undo batch) and those that failed, each in plan
    /// order.
    struct ApplyResult {
        std::vector<RenameUndoEntry> undoEntries;
        std::vector<RenameFailure> failures;
    };

    /// What `undoBatch` did: how many files went back, and the entries that could not, in the order they were
    /// tried (last entry of the batch first).
    struct UndoResult {
        std::int64_t restoredCount = 0;
        std::vector<RenameUndoEntry> failedEntries;
    };

    /// Told `done` out of `total` positions of the list have been handled. Called on the thread running the
    /// apply or undo; it must not call back into this service.
    using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;

    /// Renames each plan in list order through `moveItem`, never replacing an existing item. A plan whose
    /// standardised locations are equal is skipped and appears in neither list; a failure is logged
    /// ("Rename failed <old> -> <new>: <reason>") and the batch goes on; nothing is retried or rolled back.
    /// Each successful move is reported to the metadata provider. After each attempted plan at a position
    /// p >= 1 that is a multiple of 50, `progress` gets (p + 1, plan count) and the thread yields; a final
    /// (count, count) follows unless already given or the list is empty. Synchronous, callable from any
    /// thread; the caller runs at most one apply or undo at a time. Never fails as a whole.
    [[nodiscard]] ApplyResult applyPlans(const std::vector<RenamePlan> &plans, const ProgressCallback &progress = {});

    /// Moves each entry of `batch` from `renamedURL` back to `originalURL`, walking from the last entry to the
    /// first. A failure is logged ("Undo rename failed <path> -> <path>: <reason>") and its entry kept in
    /// `failedEntries`; the rest of the batch is still undone. Progress, yielding, metadata updates and threads
    /// as for `applyPlans`, with positions counted along the backward walk. Never fails as a whole.
    [[nodiscard]] UndoResult undoBatch(
        const std::vector<RenameUndoEntry> &batch, const ProgressCallback &progress = {});

    /// The metadata provider this service tells of every move.
    FileMetadataProviding &metadata() const { return m_metadata; }

private:
    FileRenameFileSystem &m_fileAccess;
    FileMetadataProviding &m_metadata;
};
