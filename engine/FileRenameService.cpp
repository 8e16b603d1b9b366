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

    ConflictResolver resolver(m_fileAccess);
    for (const FileItem &file : files)
        resolver.expect(file.url);

    // Each name is settled as soon as it is made: a list of provisional plans beside the final ones would
    // double the memory of a large preview for no gain.
    std::int64_t counter = parameters.sequenceStart;
    NameGenerator generator(parameters, m_metadata);
    std::vector<RenamePlan> plans;
    plans.reserve(files.size());
    for (const FileItem &file : files)
        plans.push_back(resolver.settle(file.url, file.name, generator.newName(file, counter)));
    return plans;
}
