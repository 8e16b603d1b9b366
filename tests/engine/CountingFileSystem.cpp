#include "CountingFileSystem.h"

CountingFileSystem::CountingFileSystem(FileRenameFileSystem &inner, bool foldersReadable)
    : m_inner(inner)
    , m_foldersReadable(foldersReadable)
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
