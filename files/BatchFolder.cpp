#include "BatchFolder.h"

#include <cerrno>
#include <climits>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FilePaths.h"
#include "Uuid.h"

namespace {

// More subfolders than this in one batch: the cache is emptied and folders reopened as needed, which keeps
// the process well below its descriptor limit.
constexpr std::size_t subfolderCacheLimit = 256;

std::int64_t nanoseconds(const struct timespec &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool flagRefused(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

bool linkRefused(int error)
{
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

/// Where neither RENAME_NOREPLACE nor hard links exist: claim the destination by creating it exclusively (which
/// fails if anything, in any letter case the volume equates, is already there), then rename over that
/// placeholder of our own. The only item ever replaced is the one just created.
Result<void> renameOntoPlaceholder(
    int fromFolder, const char *from, int toFolder, const char *to, const PlaceholderCallback &placeholderCreated)
{
    struct stat source { };
    if (::fstatat(fromFolder, from, &source, AT_SYMLINK_NOFOLLOW) != 0)
        return Error::fromErrno(errno);
    const bool folder = S_ISDIR(source.st_mode);
    if (folder) {
        // rename(2) replaces only an empty folder with a folder, so the placeholder must be one.
        if (::mkdirat(toFolder, to, 0700) != 0)
            return Error::fromErrno(errno);
        struct stat made { };
        if (placeholderCreated && ::fstatat(toFolder, to, &made, AT_SYMLINK_NOFOLLOW) == 0)
            placeholderCreated(made.st_ino);
    } else {
        const int fd = ::openat(toFolder, to, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0)
            return Error::fromErrno(errno);
        struct stat made { };
        if (placeholderCreated && ::fstat(fd, &made) == 0)
            placeholderCreated(made.st_ino);
        // Closed before the rename: an open file replaced on a FUSE volume would linger as a hidden copy.
        ::close(fd);
    }
    if (::renameat(fromFolder, from, toFolder, to) == 0) {
        // FAT through FUSE gives the renamed file the times of the entry it replaced, the placeholder made just
        // now: put the file's own times back (a photo's date is often all its user has).
        const struct timespec times[2] = { source.st_atim, source.st_mtim };
        (void)::utimensat(toFolder, to, times, AT_SYMLINK_NOFOLLOW);
        return {};
    }
    const int error = errno;
    ::unlinkat(toFolder, to, folder ? AT_REMOVEDIR : 0);
    return Error::fromErrno(error);
}

} // namespace

Result<void> renameNoReplace(
    int fromFolder, const char *from, int toFolder, const char *to, const PlaceholderCallback &placeholderCreated)
{
    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0)
        return {};
    const int error = errno;
    if (!flagRefused(error))
        return Error::fromErrno(error);

    // Some file systems (FAT through FUSE, for one) refuse RENAME_NOREPLACE even when the destination is free.
    // Plain rename(2) would silently replace an existing destination, so the fallbacks only ever create a new
    // name that nothing else holds: first a hard link (which fails with EEXIST if the name is taken) followed
    // by removing the old name; where hard links are refused too, an exclusively created placeholder.
    if (::linkat(fromFolder, from, toFolder, to, 0) == 0) {
        if (::unlinkat(fromFolder, from, 0) == 0)
            return {};
        const int unlinkError = errno;
        ::unlinkat(toFolder, to, 0);
        return Error::fromErrno(unlinkError);
    }
    const int linkError = errno;
    if (!linkRefused(linkError))
        return Error::fromErrno(linkError);
    return renameOntoPlaceholder(fromFolder, from, toFolder, to, placeholderCreated);
}

std::string hiddenTemporaryName(const std::string &name)
{
    const std::string suffix = ".qvtmp-" + Uuid::random().toString();
    std::string kept = name;
    const std::size_t room = NAME_MAX - 1 - suffix.size();
    if (kept.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(kept[cut]) & 0xC0) == 0x80)
            --cut;
        kept.resize(cut);
    }
    return "." + kept + suffix;
}

std::optional<FolderIdentity> FolderIdentity::of(const std::filesystem::path &path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return FolderIdentity { static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino) };
}

Result<std::unique_ptr<BatchFolder>> BatchFolder::open(
    const std::filesystem::path &root, std::optional<FolderIdentity> expected)
{
    const std::filesystem::path path = FilePaths::standardized(root);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // A folder chosen through a link of its own is still that folder, provided the link leads to the folder
    // that was listed; the batch then holds the folder itself and never looks at the link again.
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR) && expected)
        fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno);
    struct stat info { };
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return Error::fromErrno(error);
    }
    const FolderIdentity identity { static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino) };
    if (expected && *expected != identity) {
        ::close(fd);
        return Error::fromErrno(ESTALE);
    }
    std::unique_ptr<BatchFolder> folder(new BatchFolder);
    folder->m_root = path;
    folder->m_identity = identity;
    folder->m_fd = fd;
    return folder;
}

BatchFolder::~BatchFolder()
{
    for (const auto &[name, fd] : m_subfolders)
        ::close(fd);
    if (m_fd >= 0)
        ::close(m_fd);
}

bool BatchFolder::stillAtRoot() const
{
    // Followed like the listing follows it: a folder chosen through a link of its own is still at its root as long
    // as the link leads to it, and a folder swapped for a link to another folder is not.
    struct stat info { };
    return ::stat(m_root.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && static_cast<std::uint64_t>(info.st_dev) == m_identity.device
        && static_cast<std::uint64_t>(info.st_ino) == m_identity.inode;
}

std::optional<std::string> BatchFolder::relative(const std::filesystem::path &location) const
{
    if (FilePaths::isStandardized(location.native()))
        return relative(FileLocation(location.native()));
    return relative(FileLocation(FilePaths::standardized(location).native()));
}

std::optional<std::string> BatchFolder::relative(const FileLocation &location) const
{
    if (!FilePaths::isStandardized(location.text()))
        return relative(location.path());
    const std::string_view path = location.text();
    const std::string_view root = m_root.native();
    const std::size_t prefix = root == "/" ? 1 : root.size() + 1;
    if (path.size() <= prefix || path.compare(0, root.size(), root) != 0 || path[prefix - 1] != '/')
        return std::nullopt;
    return std::string(path.substr(prefix));
}

std::string BatchFolder::absoluteText(const std::string &relative) const
{
    std::string text = m_root.native();
    if (text.back() != '/')
        text += '/';
    return text += relative;
}

void BatchFolder::trimCache()
{
    if (m_subfolders.size() < subfolderCacheLimit)
        return;
    for (const auto &[path, fd] : m_subfolders)
        ::close(fd);
    m_subfolders.clear();
}

Result<int> BatchFolder::folderOf(const std::string &relative, std::string &name)
{
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string::npos) {
        name = relative;
        return m_fd;
    }
    name = relative.substr(slash + 1);
    const std::string folder = relative.substr(0, slash);
    if (const auto cached = m_subfolders.find(folder); cached != m_subfolders.end())
        return cached->second;
    // One component at a time, none of them followed if it is a link: a subfolder swapped for a link to
    // somewhere else fails here instead of leading the batch out of the folder.
    int current = m_fd;
    std::size_t start = 0;
    while (start <= folder.size()) {
        const std::size_t end = std::min(folder.find('/', start), folder.size());
        const std::string component = folder.substr(start, end - start);
        const int next = ::openat(current, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int openError = errno;
        if (current != m_fd)
            ::close(current);
        if (next < 0)
            return Error::fromErrno(openError);
        current = next;
        start = end + 1;
    }
    m_subfolders.emplace(folder, current);
    return current;
}

namespace {

/// What `fstatat` says about `name` in the folder `fd`, without following a final link.
std::optional<EntryStatus> statusAt(int fd, const char *name)
{
    struct stat info { };
    if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    EntryStatus status;
    status.inode = static_cast<std::uint64_t>(info.st_ino);
    status.size = static_cast<std::int64_t>(info.st_size);
    status.modified = nanoseconds(info.st_mtim);
    status.changed = nanoseconds(info.st_ctim);
    status.links = static_cast<std::uint64_t>(info.st_nlink);
    status.regular = S_ISREG(info.st_mode);
    status.directory = S_ISDIR(info.st_mode);
    return status;
}

} // namespace

std::optional<EntryStatus> BatchFolder::entry(const std::string &relative)
{
    trimCache();
    std::string name;
    const Result<int> fd = folderOf(relative, name);
    return fd ? statusAt(*fd, name.c_str()) : std::nullopt;
}

std::vector<std::optional<EntryStatus>> BatchFolder::entries(const std::vector<std::string> &relatives)
{
    std::vector<std::optional<EntryStatus>> statuses(relatives.size());
    // Entries in subfolders go through the descriptor cache, which is not shared between threads.
    std::vector<std::size_t> direct;
    for (std::size_t i = 0; i < relatives.size(); ++i) {
        if (relatives[i].empty())
            continue;
        if (relatives[i].find('/') == std::string::npos)
            direct.push_back(i);
        else
            statuses[i] = entry(relatives[i]);
    }
    const auto work = [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first; k < last; ++k)
            statuses[direct[k]] = statusAt(m_fd, relatives[direct[k]].c_str());
    };
    // Below this a second thread costs more to start than it saves.
    constexpr std::size_t parallelFrom = 512;
    if (direct.size() < parallelFrom || std::thread::hardware_concurrency() < 2) {
        work(0, direct.size());
        return statuses;
    }
    const std::size_t half = direct.size() / 2;
    std::jthread helper(work, half, direct.size());
    work(0, half);
    return statuses;
}

std::optional<std::unordered_set<std::string>> BatchFolder::namesBeside(const std::string &relative)
{
    trimCache();
    std::string name;
    const Result<int> fd = folderOf(relative, name);
    if (!fd)
        return std::nullopt;
    // A stream of its own: reading moves the descriptor's position, and the cached one must stay usable.
    const int own = ::openat(*fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *stream = own >= 0 ? ::fdopendir(own) : nullptr;
    if (!stream) {
        if (own >= 0)
            ::close(own);
        return std::nullopt;
    }
    std::unordered_set<std::string> names;
    errno = 0;
    while (const dirent *item = ::readdir(stream))
        names.emplace(item->d_name);
    const bool complete = errno == 0;
    ::closedir(stream);
    if (!complete)
        return std::nullopt;
    return names;
}

Result<void> BatchFolder::rename(
    const std::string &from, const std::string &to, const PlaceholderCallback &placeholderCreated)
{
    trimCache();
    // Both names directly in the folder, as in most batches: no copy of either.
    if (from.find('/') == std::string::npos && to.find('/') == std::string::npos)
        return renameNoReplace(m_fd, from.c_str(), m_fd, to.c_str(), placeholderCreated);
    std::string fromName;
    std::string toName;
    const Result<int> fromFd = folderOf(from, fromName);
    if (!fromFd)
        return fromFd.error();
    const Result<int> toFd = folderOf(to, toName);
    if (!toFd)
        return toFd.error();
    return renameNoReplace(*fromFd, fromName.c_str(), *toFd, toName.c_str(), placeholderCreated);
}

Result<void> BatchFolder::remove(const std::string &relative)
{
    trimCache();
    std::string name;
    const Result<int> fd = folderOf(relative, name);
    if (!fd)
        return fd.error();
    if (::unlinkat(*fd, name.c_str(), 0) != 0)
        return Error::fromErrno(errno);
    return {};
}
