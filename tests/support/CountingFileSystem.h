#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>

#include "FileRenameFileSystem.h"

/// Passes every call on to another file system and counts the questions planning asks, so that tests can
/// check what was asked (and how often) without timing anything. Can also pretend that no folder can be read,
/// or (with `scansOffered` false) refuse whole-folder reads like a file system that has none, so that planning
/// falls back to one existence test per candidate.
class CountingFileSystem final : public FileRenameFileSystem {
public:
    explicit CountingFileSystem(FileRenameFileSystem &inner, bool foldersReadable = true, bool scansOffered = true)
        : m_inner(inner)
        , m_foldersReadable(foldersReadable)
        , m_scansOffered(scansOffered)
    {
    }

    bool itemExists(const std::filesystem::path &location) const override
    {
        ++m_existenceTests;
        return m_inner.itemExists(location);
    }
    std::optional<std::unordered_set<std::string>> entryNames(const std::filesystem::path &folder) const override
    {
        ++m_folderReads;
        return m_foldersReadable ? m_inner.entryNames(folder) : std::nullopt;
    }
    bool visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
        const std::function<void(std::string_view)> &visit) const override
    {
        ++m_folderScans;
        const bool completed
            = m_foldersReadable && m_scansOffered && m_inner.visitEntryNames(folder, entryLimit, visit);
        m_completedFolderScans += completed ? 1 : 0;
        return completed;
    }

    /// Calls of itemExists, entryNames and visitEntryNames so far, and how many of the last read a whole folder.
    std::size_t existenceTests() const { return m_existenceTests; }
    std::size_t folderReads() const { return m_folderReads; }
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
