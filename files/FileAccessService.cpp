#include "FileAccessService.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <limits>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AccessShortcut.h"
#include "FilePaths.h"
#include "Unicode.h"

namespace {

/// Closes a directory stream (and with it the descriptor it owns) when leaving scope.
class DirectoryStream final {
public:
    explicit DirectoryStream(DIR *stream)
        : m_stream(stream)
    {
    }
    ~DirectoryStream()
    {
        if (m_stream)
            ::closedir(m_stream);
    }
    DirectoryStream(const DirectoryStream &) = delete;
    DirectoryStream &operator=(const DirectoryStream &) = delete;

    DIR *get() const { return m_stream; }

private:
    DIR *m_stream;
};

/// Opens a directory descriptor as a stream; the descriptor is closed on failure too.
DIR *streamFor(int fd)
{
    if (fd < 0)
        return nullptr;
    DIR *stream = ::fdopendir(fd);
    if (!stream) {
        // The caller may report why the folder could not be read.
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return stream;
}

std::int64_t nanoseconds(const struct statx_timestamp &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

/// What statx and faccessat said about one entry.
struct EntryFacts {
    bool statted = false;
    struct statx info { };
    bool usable = false; ///< readable and writable
};

/// Asks the system about the entries `names` of the folder `fd` (statx, then faccessat for regular files where
/// `access` cannot tell from the bits), in blocks of names, on a second thread as well when there are enough of
/// them: the calls are independent and mostly wait on the name lookup, which the kernel runs in parallel. The
/// caller takes the answers in order (`at`); while the next one is not ready it asks about a block itself, so
/// that building the records of answered names overlaps the questions the other thread still asks.
class FactQueue final {
public:
    FactQueue(int fd, const AccessShortcut &access, const std::vector<const char *> &names)
        : m_fd(fd)
        , m_access(access)
        , m_names(names)
        , m_facts(names.size())
        , m_blockCount((names.size() + blockSize - 1) / blockSize)
        , m_ready(m_blockCount)
    {
        // Below this a second thread costs more to start than it saves.
        constexpr std::size_t parallelFrom = 512;
        if (names.size() >= parallelFrom && std::thread::hardware_concurrency() >= 2)
            m_helper = std::jthread([this] {
                while (askNextBlock()) { }
            });
    }
    ~FactQueue()
    {
        // A walk that stops early leaves the remaining blocks unasked.
        m_nextBlock.store(m_blockCount);
    }
    FactQueue(const FactQueue &) = delete;
    FactQueue &operator=(const FactQueue &) = delete;

    /// The answer for name `i`, once it is there.
    const EntryFacts &at(std::size_t i)
    {
        const std::size_t block = i / blockSize;
        while (!m_ready[block].load(std::memory_order_acquire)) {
            if (!askNextBlock())
                std::this_thread::yield();
        }
        return m_facts[i];
    }

private:
    static constexpr std::size_t blockSize = 64;

    /// Asks about the first block nobody took yet; false when none is left.
    bool askNextBlock()
    {
        const std::size_t block = m_nextBlock.fetch_add(1);
        if (block >= m_blockCount)
            return false;
        // The inode comes with the others at no cost; an apply may take it from here.
        const unsigned mask
            = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO | AccessShortcut::statxMask;
        const std::size_t last = std::min(m_names.size(), (block + 1) * blockSize);
        for (std::size_t i = block * blockSize; i < last; ++i) {
            EntryFacts &fact = m_facts[i];
            fact.statted = ::statx(m_fd, m_names[i], AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &fact.info) == 0;
            // A folder or anything else the walk does not take needs no access check.
            if (fact.statted && (fact.info.stx_mask & STATX_TYPE) && !S_ISREG(fact.info.stx_mode))
                continue;
            const std::optional<bool> decided = fact.statted ? m_access.readWrite(fact.info) : std::nullopt;
            // Root passes permission bits, but not an immutable flag: this is what a rename would run into.
            fact.usable = decided ? *decided : ::faccessat(m_fd, m_names[i], R_OK | W_OK, 0) == 0;
        }
        m_ready[block].store(true, std::memory_order_release);
        return true;
    }

    int m_fd;
    const AccessShortcut &m_access;
    const std::vector<const char *> &m_names;
    std::vector<EntryFacts> m_facts;
    std::size_t m_blockCount;
    std::vector<std::atomic<bool>> m_ready; ///< per block: its answers are written
    std::atomic<std::size_t> m_nextBlock { 0 };
    std::jthread m_helper; ///< last, so that it is joined before the rest goes
};

/// One pass over a folder tree, building the records as it goes.
class Lister final {
public:
    Lister(std::string urlPrefix, bool recursive, bool keepStamps, const std::function<bool(std::int64_t)> &progress)
        : m_urlPrefix(std::move(urlPrefix))
        , m_recursive(recursive)
        , m_keepStamps(keepStamps)
        , m_progress(progress)
    {
    }

    /// Whether the progress function asked to stop.
    bool stopped() const { return m_stopped; }

    /// Lists the directory `stream`, whose path relative to the root is `relative` ("" or ending in "/").
    void walk(DIR *stream, const std::string &relative)
    {
        const int fd = ::dirfd(stream);
        // The names of the listed folder itself are kept for a planning that follows at once, hidden ones too.
        FolderSnapshot *snapshot = nullptr;
        if (m_keepStamps && relative.empty()) {
            m_snapshot = FolderSnapshot::before(fd, m_urlPrefix.substr(0, m_urlPrefix.size() - 1));
            snapshot = &*m_snapshot;
        }
        // The folder's names are read first, into one buffer, and then asked about in chunks (in parallel where
        // the folder is large), and taken in the order read, descending into subfolders where they were met.
        std::string buffer;
        std::vector<std::pair<std::size_t, unsigned char>> entries;
        while (const dirent *entry = ::readdir(stream)) {
            const std::string_view name = entry->d_name;
            if (snapshot && name != "." && name != "..") {
                snapshot->names.append(name).push_back('\0');
                ++snapshot->count;
            }
            // Also drops "." and "..": a hidden folder is never descended into.
            if (name.empty() || name.front() == '.')
                continue;
            entries.emplace_back(buffer.size(), entry->d_type);
            buffer.append(name).push_back('\0');
        }
        std::vector<const char *> chunkNames;
        const AccessShortcut access(fd);
        // The records of a large folder are made in one list, which would otherwise be copied as it grows.
        if (relative.empty()) {
            m_files.reserve(entries.size());
            if (m_keepStamps)
                m_stamps.reserve(entries.size());
        }
        for (std::size_t chunk = 0; chunk < entries.size(); chunk += chunkSize) {
            if (m_stopped)
                return;
            const std::size_t chunkEnd = std::min(entries.size(), chunk + chunkSize);
            // The names that will be asked about: ordinary files and entries of unknown type, valid UTF-8.
            chunkNames.clear();
            for (std::size_t i = chunk; i < chunkEnd; ++i) {
                const unsigned char type = entries[i].second;
                if (type == DT_REG || type == DT_UNKNOWN)
                    chunkNames.push_back(buffer.data() + entries[i].first);
            }
            FactQueue facts(fd, access, chunkNames);
            std::size_t asked = 0;
            for (std::size_t i = chunk; i < chunkEnd; ++i) {
                if (m_stopped)
                    return;
                const char *name = buffer.data() + entries[i].first;
                const unsigned char type = entries[i].second;
                const bool isAsked = type == DT_REG || type == DT_UNKNOWN;
                const EntryFacts *fact = isAsked ? &facts.at(asked++) : nullptr;
                // The name could not be shown or given to the engine as text; nothing below it either.
                if (!Unicode::isValidUtf8(name)) {
                    ++m_leftOut.notUtf8;
                    continue;
                }
                if (type == DT_DIR) {
                    descend(fd, name, relative);
                    continue;
                }
                // Symbolic links, sockets, fifos and devices are not something the user renames here.
                if (fact != nullptr)
                    visitFile(fd, name, type, *fact, relative);
            }
        }
    }

    std::vector<FileItem> takeFiles() { return std::move(m_files); }
    FileStamps takeStamps() { return std::move(m_stamps); }
    std::optional<FolderSnapshot> takeSnapshot() { return std::move(m_snapshot); }
    const FileListing::LeftOut &leftOut() const { return m_leftOut; }

private:
    /// Names asked about at once: their answers are held together (some 4 MB).
    static constexpr std::size_t chunkSize = 16384;

    void descend(int parent, const char *name, const std::string &relative)
    {
        if (!m_recursive)
            return;
        // O_NOFOLLOW: a folder replaced by a symbolic link since readdir is not followed either.
        DirectoryStream child(streamFor(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)));
        if (child.get()) {
            walk(child.get(), relative + name + '/');
            return;
        }
        // A folder the walk cannot enter (no permission, or the open-file limit in a deep tree): its files
        // are missing from the listing, which the user must hear.
        if (m_leftOut.unreadableFolders++ == 0)
            m_leftOut.folderReason = Error::fromErrno(errno).message;
    }

    void visitFile(int fd, const char *name, unsigned char type, const EntryFacts &fact, const std::string &relative)
    {
        const struct statx &info = fact.info;
        std::optional<FileItem::ResourceValues> values;
        if (fact.statted) {
            if ((info.stx_mask & STATX_TYPE) && S_ISDIR(info.stx_mode)) {
                descend(fd, name, relative);
                return;
            }
            if ((info.stx_mask & STATX_TYPE) && !S_ISREG(info.stx_mode))
                return;
            values.emplace();
            if (info.stx_mask & STATX_SIZE)
                values->size = static_cast<std::int64_t>(info.stx_size);
            if (info.stx_mask & STATX_BTIME)
                values->creationDate = TimePoints::fromUnix(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
            if (info.stx_mask & STATX_MTIME)
                values->modificationDate = TimePoints::fromUnix(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
        } else if (type != DT_REG) {
            // Without a type there is no telling that this is an ordinary file.
            return;
        }
        if (!fact.usable) {
            ++m_leftOut.notWritable;
            if (m_leftOut.notWritableNames.size() < FileListing::LeftOut::keptNames)
                m_leftOut.notWritableNames.push_back(relative + name);
            return;
        }

        // No duplicate check by resolved path is needed: a listed entry is never a symbolic link and is reached
        // through no link below the root, so its resolved path is the resolved root plus its relative path, and
        // each relative path is met exactly once. Links are skipped before they could claim anything, so a link
        // met before its target never hides the target. A set of every path seen would cost a sixth of the
        // listing time and never reject an entry.
        // Made in one reused buffer: the record keeps its own copy of the text.
        m_url.assign(m_urlPrefix).append(relative).append(name);
        m_files.push_back(FileItem::fromListing(m_url, values));
        // Only a stamp with all three parts stands in for the apply's own look at the file.
        constexpr unsigned stamped = STATX_INO | STATX_SIZE | STATX_MTIME;
        if (m_keepStamps && fact.statted && (info.stx_mask & stamped) == stamped) {
            m_relativeName.assign(relative).append(name);
            m_stamps.add(m_relativeName,
                FileStamp { info.stx_ino, static_cast<std::int64_t>(info.stx_size), nanoseconds(info.stx_mtime) });
        }
        const auto listed = static_cast<std::int64_t>(m_files.size());
        if (m_progress && listed % FileAccessService::progressStep == 0 && !m_progress(listed))
            m_stopped = true;
    }

    std::string m_urlPrefix;
    std::string m_url;
    bool m_recursive;
    bool m_keepStamps;
    const std::function<bool(std::int64_t)> &m_progress;
    bool m_stopped = false;
    std::vector<FileItem> m_files;
    FileStamps m_stamps;
    std::optional<FolderSnapshot> m_snapshot;
    std::string m_relativeName; ///< reused for each name a stamp is kept under
    FileListing::LeftOut m_leftOut;
};

std::string withSeparator(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

Result<FileListing> FileAccessService::listFiles(const std::filesystem::path &folder, bool includeSubfolders,
    const std::function<bool(std::int64_t listed)> &progress, bool keepStamps) const
{
    const std::filesystem::path root = FilePaths::standardized(folder);
    DirectoryStream stream(streamFor(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    if (!stream.get())
        return Error { std::string(directoryAccessDeniedMessage), errno };

    Lister lister(withSeparator(root.native()), includeSubfolders, keepStamps, progress);
    lister.walk(stream.get(), {});
    if (lister.stopped())
        return Error::fromErrno(ECANCELED);
    return FileListing { lister.takeFiles(), lister.leftOut(), lister.takeStamps(), lister.takeSnapshot() };
}

std::vector<std::string> FileListing::leftOutLines() const
{
    const auto counted = [](std::int64_t count, const char *one, const char *many) {
        return std::to_string(count) + " " + (count == 1 ? one : many);
    };
    std::vector<std::string> lines;
    if (leftOut.notWritable > 0)
        lines.push_back(counted(leftOut.notWritable, "file", "files") + " left out: not writable");
    if (leftOut.notUtf8 > 0)
        lines.push_back(counted(leftOut.notUtf8, "item", "items") + " left out: name is not valid UTF-8");
    if (leftOut.unreadableFolders > 0) {
        lines.push_back(counted(leftOut.unreadableFolders, "folder", "folders") + " left out: cannot be opened ("
            + leftOut.folderReason + ")");
    }
    return lines;
}

bool FileAccessService::itemExists(const std::filesystem::path &location) const
{
    struct stat info { };
    if (FilePaths::isStandardized(location.native()))
        return ::stat(location.c_str(), &info) == 0;
    return ::stat(FilePaths::standardized(location).c_str(), &info) == 0;
}

std::optional<std::unordered_set<std::string>> FileAccessService::entryNames(const std::filesystem::path &folder) const
{
    std::unordered_set<std::string> names;
    // A read that broke off would give a partial answer, which is worse than none.
    if (!visitEntryNames(
            folder, std::numeric_limits<std::size_t>::max(), [&](std::string_view name) { names.emplace(name); }))
        return std::nullopt;
    return names;
}

bool FileAccessService::visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
    const std::function<void(std::string_view)> &visit) const
{
    const std::filesystem::path path = FilePaths::standardized(folder);
    DirectoryStream stream(streamFor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    if (!stream.get())
        return false;
    // A directory entry takes at least 12 bytes on ext4 and about 20 on tmpfs, so the reported size bounds the
    // entry count from above well enough to skip a folder far larger than the caller can use. Where the size
    // says nothing, the count stops the read instead.
    constexpr std::size_t smallEntryBytes = 16;
    struct stat info { };
    if (::fstat(::dirfd(stream.get()), &info) != 0
        || static_cast<std::size_t>(info.st_size) / smallEntryBytes > entryLimit)
        return false;
    std::size_t count = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(stream.get());
        if (!entry)
            break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (++count > entryLimit)
            return false;
        visit(name);
    }
    return errno == 0;
}
