#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>

#include "FileRenameFileSystem.h"

/// Passes every call on to another file system and counts the questions planning asks, so that tests can
/// check what was asked (and how often) without timing anything. Can also pretend that no folder can be read.
class CountingFileSystem final : public FileRenameFileSystem {
public:
    /// With `scansOffered` false, visitEntryNames refuses like a file system that has no such read, so that
    /// planning falls back to one existence test per candidate.
    explicit CountingFileSystem(FileRenameFileSystem &inner, bool foldersReadable = true, bool scansOffered = true);

    bool itemExists(const std::filesystem::path &location) const override;
    [[nodiscard]] std::optional<FileSystemError> moveItem(
        const std::filesystem::path &from, const std::filesystem::path &to) override;
    std::optional<std::unordered_set<std::string>> entryNames(const std::filesystem::path &folder) const override;
    bool visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
        const std::function<void(std::string_view)> &visit) const override;

    /// Calls of itemExists so far.
    std::size_t existenceTests() const { return m_existenceTests; }
    /// Calls of entryNames so far.
    std::size_t folderReads() const { return m_folderReads; }
    /// Calls of visitEntryNames so far, and how many of them read the whole folder.
    std::size_t folderScans() const { return m_folderScans; }
    std::size_t completedFolderScans() const { return m_completedFolderScans; }

private:
    FileRenameFileSystem &m_inner;
    bool m_foldersReadable;
    bool m_scansOffered;
    mutable std::size_t m_existenceTests = 0;
    mutable std::size_t m_folderReads = 0;
    mutable std::size_t m_folderScans = 0;
    mutable std::size_t m_completedFolderScans = 0;
};
