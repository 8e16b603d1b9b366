#include "CountingFileSystem.h"

CountingFileSystem::CountingFileSystem(FileRenameFileSystem &inner, bool foldersReadable, bool scansOffered)
    : m_inner(inner)
    , m_foldersReadable(foldersReadable)
    , m_scansOffered(scansOffered)
{
}

bool CountingFileSystem::itemExists(const std::filesystem::path &location) const
{
    ++m_existenceTests;
    return m_inner.itemExists(location);
}

std::optional<FileSystemError> CountingFileSystem::moveItem(
    const std::filesystem::path &from, const std::filesystem::path &to)
{
    return m_inner.moveItem(from, to);
}

std::optional<std::unordered_set<std::string>> CountingFileSystem::entryNames(const std::filesystem::path &folder) const
{
    ++m_folderReads;
    if (!m_foldersReadable)
        return std::nullopt;
    return m_inner.entryNames(folder);
}

bool CountingFileSystem::visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
    const std::function<void(std::string_view)> &visit) const
{
    ++m_folderScans;
    if (!m_foldersReadable || !m_scansOffered)
        return false;
    const bool completed = m_inner.visitEntryNames(folder, entryLimit, visit);
    m_completedFolderScans += completed ? 1 : 0;
    return completed;
}
