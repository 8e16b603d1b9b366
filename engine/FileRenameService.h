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

/// Plans batches of renames (`RenameBatchRunner` performs and undoes them). Reaches the disk only through its two
/// collaborators, which must outlive it. Holds no other state.
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
    /// When given, `progress` is told (files planned, file count) every `planningProgressStep` files; when it
    /// returns false planning stops and the plans made so far are returned (fewer than the files).
    std::vector<RenamePlan> generatePlans(const std::vector<FileItem> &files, const RenameParameters &parameters,
        std::int64_t *timedOutNames = nullptr,
        const std::function<bool(std::int64_t done, std::int64_t total)> &progress = {}) const;
    /// The same for a list of rules: each file's name goes through every enabled rule in order (see
    /// `RenameRuleNamer`), and conflicts are resolved once, on the final names. A list of one enabled rule gives
    /// exactly the plans of its settings alone; no enabled rule leaves every name as it is.
    std::vector<RenamePlan> generatePlans(const std::vector<FileItem> &files, const RenameRuleList &rules,
        std::int64_t *timedOutNames = nullptr,
        const std::function<bool(std::int64_t done, std::int64_t total)> &progress = {}) const;

    /// How many files planning settles between two calls of its progress function.
    static constexpr std::int64_t planningProgressStep = 2048;

    /// Told `done` out of `total` positions of the list have been handled. Called on the thread running the
    /// apply or undo; it must not call back into this service.
    using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;

    /// The metadata provider of the planning, which a batch tells of every move.
    FileMetadataProviding &metadata() const { return m_metadata; }

private:
    FileRenameFileSystem &m_fileAccess;
    FileMetadataProviding &m_metadata;
};
