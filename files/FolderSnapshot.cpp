#include "FolderSnapshot.h"

#include <ctime>
#include <utility>

#include <sys/stat.h>
#include <sys/statfs.h>

#include "LocalVolume.h"

namespace {

std::int64_t nanoseconds(const struct timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

FolderSnapshot FolderSnapshot::before(int fd, std::string folder)
{
    FolderSnapshot snapshot;
    snapshot.folder = std::move(folder);
    // The clock first: a change after this moment is stamped with this time or a later one.
    struct timespec now { };
    struct stat info { };
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0 || ::fstat(fd, &info) != 0)
        return snapshot;
    snapshot.device = info.st_dev;
    snapshot.inode = info.st_ino;
    snapshot.modified = nanoseconds(info.st_mtim);
    // On FAT, for one, a change within the same two seconds would leave the time as it was.
    struct statfs volume { };
    snapshot.trustworthy
        = snapshot.modified < nanoseconds(now) && ::fstatfs(fd, &volume) == 0 && isPlainLocalVolume(volume);
    return snapshot;
}

bool FolderSnapshot::unchanged() const
{
    struct stat info { };
    return trustworthy && ::stat(folder.c_str(), &info) == 0 && info.st_dev == device && info.st_ino == inode
        && nanoseconds(info.st_mtim) == modified;
}

SnapshotFileSystem::SnapshotFileSystem(const FileRenameFileSystem &disk, FolderSnapshot snapshot)
    : m_disk(disk)
    , m_snapshot(std::move(snapshot))
{
}

bool SnapshotFileSystem::itemExists(const std::filesystem::path &location) const
{
    return m_disk.itemExists(location);
}

std::optional<std::unordered_set<std::string>> SnapshotFileSystem::entryNames(const std::filesystem::path &folder) const
{
    return m_disk.entryNames(folder);
}

bool SnapshotFileSystem::visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
    const std::function<void(std::string_view)> &visit) const
{
    if (folder.native() != m_snapshot.folder || !m_snapshot.unchanged())
        return m_disk.visitEntryNames(folder, entryLimit, visit);
    if (m_snapshot.count > entryLimit)
        return false;
    const std::string &names = m_snapshot.names;
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = names.find('\0', at);
        visit(std::string_view(names).substr(at, end - at));
        at = end + 1;
    }
    return true;
}
