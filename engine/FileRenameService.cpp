#include "FileRenameService.h"

#include <cstdint>

#include "ConflictResolver.h"
#include "NameGenerator.h"

FileRenameService::FileRenameService(FileRenameFileSystem &fileAccess, FileMetadataProviding &metadata)
    : m_fileAccess(fileAccess)
    , m_metadata(metadata)
{
}

std::vector<RenamePlan> FileRenameService::generatePlans(
    const std::vector<FileItem> &files, const RenameParameters &parameters) const
{
    if (files.empty())
        return {};

    std::int64_t counter = parameters.sequenceStart;
    NameGenerator generator(parameters, m_metadata);
    std::vector<RenamePlan> provisional;
    provisional.reserve(files.size());
    for (const FileItem &file : files) {
        std::string newName = generator.newName(file, counter);
        // The provisional plans carry no id: resolveConflicts gives every final plan a fresh one.
        provisional.push_back(
            RenamePlan { {}, file.url, file.url.parent_path() / newName, file.name, std::move(newName) });
    }
    return resolveConflicts(provisional, m_fileAccess);
}
