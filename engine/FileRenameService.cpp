#include "FileRenameService.h"

FileRenameService::FileRenameService(FileRenameFileSystem &fileAccess, FileMetadataProviding &metadata)
    : m_fileAccess(fileAccess)
    , m_metadata(metadata)
{
}
