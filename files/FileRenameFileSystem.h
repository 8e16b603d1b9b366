#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "Result.h"

/// What the rename engine needs of the disk. Implementations keep no state and may be called from any thread.
class FileRenameFileSystem {
public:
    virtual ~FileRenameFileSystem() = default;

    /// Whether any item (file or folder) exists at the standardised path; a final symbolic link is followed,
    /// so a dangling link answers false. An unanswerable test answers false.
    virtual bool itemExists(const std::filesystem::path &location) const = 0;

    /// The exact names (bytes as stored) of the entries of a folder, or nothing when it cannot be read.
    /// Planning asks for it only to tell a file from another file whose name differs only in letter case.
    virtual std::optional<std::unordered_set<std::string>> entryNames(const std::filesystem::path &folder) const = 0;

    /// Passes the name (bytes as stored) of every entry of `folder` except "." and ".." to `visit`, in one read
    /// of the folder, and returns true; returns false, possibly after some names, when the folder cannot be
    /// read, the read breaks off, or the folder turns out to hold more than about `entryLimit` entries (judged
    /// first from the size the file system reports for it). Planning uses it to answer most existence tests of
    /// a large batch without one system call each. This default offers no such read and returns false at once.
    virtual bool visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
        const std::function<void(std::string_view)> &visit) const
    {
        (void)folder;
        (void)entryLimit;
        (void)visit;
        return false;
    }
};
