#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "FileAccessError.h"
#include "FileItem.h"
#include "FileRenameFileSystem.h"

/// The result of a listing: the files, or the reason the folder could not be listed.
struct FileListing {
    std::vector<FileItem> files;
    std::optional<FileAccessError> error;
};

/// Lists folders and performs the renames of the engine on the real file system.
class FileAccessService final : public FileRenameFileSystem {
public:
    /// The files of `folder` (and of its subfolders when `includeSubfolders`), in enumeration order, unsorted.
    /// Left out: directories, hidden entries (name starting with "."), symbolic links, entries that are not both
    /// readable and writable, and names that are not valid UTF-8. Hidden folders are not descended into.
    /// Fails with `directoryAccessDenied` when the folder cannot be enumerated at all. Synchronous.
    [[nodiscard]] FileListing listFiles(const std::filesystem::path &folder, bool includeSubfolders) const;

    bool itemExists(const std::filesystem::path &location) const override;
    [[nodiscard]] std::optional<FileSystemError> moveItem(
        const std::filesystem::path &from, const std::filesystem::path &to) override;
    std::optional<std::unordered_set<std::string>> entryNames(const std::filesystem::path &folder) const override;
};
