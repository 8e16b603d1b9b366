#pragma once

#include <cstdint>
#include <string>

#include "FileRenameFileSystem.h"

/// The names of one folder's entries as a listing read them, and what tells whether the folder changed since.
struct FolderSnapshot {
    std::string folder; ///< standardised path
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modified = 0; ///< the folder's modification time before the names were read, in nanoseconds
    /// Whether every change to the folder after the read is bound to move its modification time: the time was
    /// before the read began by the system's coarse clock, which stamps changes, on a file system that keeps
    /// times to the nanosecond.
    bool trustworthy = false;
    std::string names; ///< every entry but "." and "..", each followed by '\0'
    std::size_t count = 0;

    /// Notes the folder `fd` (at the standardised path `folder`) as it is before its names are read.
    static FolderSnapshot before(int fd, std::string folder);
    /// Whether the folder at `folder` is still the one read, unchanged: then `names` are its names now.
    bool unchanged() const;
};

/// Answers a read of the snapshot's folder's names from the snapshot while the folder shows no change since (a
/// planning moments after a listing need not read a large folder again) and everything else from `disk`.
class SnapshotFileSystem final : public FileRenameFileSystem {
public:
    /// `disk` is not owned and must outlive this.
    SnapshotFileSystem(const FileRenameFileSystem &disk, FolderSnapshot snapshot);

    bool itemExists(const std::filesystem::path &location) const override;
    std::optional<std::unordered_set<std::string>> entryNames(const std::filesystem::path &folder) const override;
    bool visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
        const std::function<void(std::string_view)> &visit) const override;

private:
    const FileRenameFileSystem &m_disk;
    FolderSnapshot m_snapshot;
};
