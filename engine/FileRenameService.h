#pragma once

#include <vector>

#include "FileItem.h"
#include "FileMetadataProviding.h"
#include "FileRenameFileSystem.h"
#include "RenameParameters.h"
#include "RenamePlan.h"

/// Plans, performs and undoes batches of renames. Reaches the disk only through its two collaborators,
/// which must outlive it. Holds no other state.
class FileRenameService final {
public:
    FileRenameService(FileRenameFileSystem &fileAccess, FileMetadataProviding &metadata);

    /// One plan per file, in the same order, whose new names collide neither with each other within a folder
    /// nor with other items on disk at the moment of the call. Never changes the disk; never fails.
    /// Cost: about one existence test per file, also when many files map to one name.
    std::vector<RenamePlan> generatePlans(const std::vector<FileItem> &files, const RenameParameters &parameters) const;

private:
    FileRenameFileSystem &m_fileAccess;
    FileMetadataProviding &m_metadata;
};
