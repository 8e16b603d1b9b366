#include "FileAccessService.h"

#include <algorithm>
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

/// What statx and faccessat said about one entry: what the walk uses of it, so that the answers for a large folder
/// can be held at once.
struct EntryFacts {
    bool statted = false;
    bool usable = false; ///< readable and writable
    std::uint16_t mode = 0;
    std::uint32_t mask = 0; ///< which of the fields statx filled (STATX_TYPE, STATX_SIZE, ...)
    std::uint64_t size = 0;
    std::uint64_t inode = 0;
    struct statx_timestamp modified { };
    struct statx_timestamp created { };
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
            struct statx info { };
            fact.statted = ::statx(m_fd, m_names[i], AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &info) == 0;
            if (fact.statted) {
                fact.mode = info.stx_mode;
                fact.mask = info.stx_mask;
                fact.size = info.stx_size;
                fact.inode = info.stx_ino;
                fact.modified = info.stx_mtime;
                fact.created = info.stx_btime;
            }
            // A folder or anything else the walk does not take needs no access check.
            if (fact.statted && (fact.mask & STATX_TYPE) && !S_ISREG(fact.mode))
                continue;
            const std::optional<bool> decided = fact.statted ? m_access.readWrite(info) : std::nullopt;
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

/// A folder's names as read (hidden ones left out), each with the type the folder gave it.
struct FolderNames {
    std::string buffer; ///< the names, each followed by '\0'
    std::vector<std::pair<std::size_t, unsigned char>> entries; ///< offset in `buffer`, type (DT_REG, ...)

    /// Whether the system is asked about an entry of this type: ordinary files, and entries of unknown type.
    static bool isAsked(unsigned char type) { return type == DT_REG || type == DT_UNKNOWN; }
    const char *name(std::size_t i) const { return buffer.data() + entries[i].first; }
    /// The names of the entries `first` to `last` that are asked about, into `names`.
    void asked(std::size_t first, std::size_t last, std::vector<const char *> &names) const
    {
        names.clear();
        for (std::size_t i = first; i < last; ++i) {
            if (isAsked(entries[i].second))
                names.push_back(name(i));
        }
    }
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
        // The folder's names are read first, and then asked about in chunks (in parallel where the folder is
        // large), and taken in the order read, descending into subfolders where they were met.
        const FolderNames names = readNames(stream, relative);
        const AccessShortcut access(fd);
        std::vector<const char *> chunkNames;
        for (std::size_t chunk = 0; chunk < names.entries.size() && !m_stopped; chunk += chunkSize) {
            const std::size_t chunkEnd = std::min(names.entries.size(), chunk + chunkSize);
            names.asked(chunk, chunkEnd, chunkNames);
            FactQueue facts(fd, access, chunkNames);
            take(fd, names, chunk, chunkEnd, facts, relative);
        }
    }

    /// Reads the names of the directory `stream` (at `relative`), leaving out hidden ones; the listed folder's own
    /// names are kept whole, for a planning that follows at once.
    FolderNames readNames(DIR *stream, const std::string &relative)
    {
        FolderSnapshot *snapshot = nullptr;
        if (m_keepStamps && relative.empty()) {
            m_snapshot = FolderSnapshot::before(::dirfd(stream), m_urlPrefix.substr(0, m_urlPrefix.size() - 1));
            snapshot = &*m_snapshot;
        }
        FolderNames names;
        while (const dirent *entry = ::readdir(stream)) {
            const std::string_view name = entry->d_name;
            if (snapshot && name != "." && name != "..") {
                snapshot->names.append(name).push_back('\0');
                ++snapshot->count;
            }
            // Also drops "." and "..": a hidden folder is never descended into.
            if (name.empty() || name.front() == '.')
                continue;
            names.entries.emplace_back(names.buffer.size(), entry->d_type);
            names.buffer.append(name).push_back('\0');
        }
        // The records of a large folder are made in one list, which would otherwise be copied as it grows.
        if (relative.empty() && m_makeRecords) {
            m_files.reserve(names.entries.size());
            if (m_keepStamps)
                m_stamps.reserve(names.entries.size());
        }
        return names;
    }

    /// Takes the entries `first` to `last` of `names` (of the folder `fd`, at `relative`), with the answers about
    /// the asked ones from `facts`, in order.
    void take(int fd, const FolderNames &names, std::size_t first, std::size_t last, FactQueue &facts,
        const std::string &relative)
    {
        std::size_t asked = 0;
        for (std::size_t i = first; i < last; ++i) {
            if (m_stopped)
                return;
            const char *name = names.name(i);
            const unsigned char type = names.entries[i].second;
            const EntryFacts *fact = FolderNames::isAsked(type) ? &facts.at(asked++) : nullptr;
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

    /// Takes files without making their records: only stamps and what is left out are kept, and the count.
    void makeNoRecords() { m_makeRecords = false; }
    std::size_t keptCount() const { return m_kept; }
    std::vector<FileItem> takeFiles() { return std::move(m_files); }
    FileStamps takeStamps() { return std::move(m_stamps); }
    std::optional<FolderSnapshot> takeSnapshot() { return std::move(m_snapshot); }
    const FileListing::LeftOut &leftOut() const { return m_leftOut; }

private:
    /// Names asked about at once: their answers are held together (under a megabyte).
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
        std::optional<FileItem::ResourceValues> values;
        if (fact.statted) {
            if ((fact.mask & STATX_TYPE) && S_ISDIR(fact.mode)) {
                descend(fd, name, relative);
                return;
            }
            if ((fact.mask & STATX_TYPE) && !S_ISREG(fact.mode))
                return;
            values.emplace();
            if (fact.mask & STATX_SIZE)
                values->size = static_cast<std::int64_t>(fact.size);
            if (fact.mask & STATX_BTIME)
                values->creationDate = TimePoints::fromUnix(fact.created.tv_sec, fact.created.tv_nsec);
            if (fact.mask & STATX_MTIME)
                values->modificationDate = TimePoints::fromUnix(fact.modified.tv_sec, fact.modified.tv_nsec);
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
        ++m_kept;
        if (m_makeRecords) {
            // Made in one reused buffer: the record keeps its own copy of the text.
            m_url.assign(m_urlPrefix).append(relative).append(name);
            m_files.push_back(FileItem::fromListing(m_url, values));
        }
        // Only a stamp with all three parts stands in for the apply's own look at the file.
        constexpr unsigned stamped = STATX_INO | STATX_SIZE | STATX_MTIME;
        if (m_keepStamps && fact.statted && (fact.mask & stamped) == stamped) {
            m_relativeName.assign(relative).append(name);
            m_stamps.add(m_relativeName,
                FileStamp { fact.inode, static_cast<std::int64_t>(fact.size), nanoseconds(fact.modified) });
        }
        const auto listed = static_cast<std::int64_t>(m_kept);
        if (m_progress && listed % FileAccessService::progressStep == 0 && !m_progress(listed))
            m_stopped = true;
    }

    std::string m_urlPrefix;
    std::string m_url;
    bool m_recursive;
    bool m_keepStamps;
    const std::function<bool(std::int64_t)> &m_progress;
    bool m_stopped = false;
    bool m_makeRecords = true;
    std::size_t m_kept = 0; ///< files taken, also when no records are made
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

struct EarlyListing::Impl {
    Impl(std::string urlPrefix, DIR *folder)
        : stream(folder)
        , lister(std::move(urlPrefix), false, true, noProgress)
        , access(::dirfd(folder))
    {
    }

    static inline const std::function<bool(std::int64_t)> noProgress;
    DirectoryStream stream;
    Lister lister;
    AccessShortcut access;
    FolderNames names;
    std::vector<const char *> askedNames;
    std::unique_ptr<FactQueue> facts;
    std::optional<std::vector<FileItem>> promised;
    std::optional<std::size_t> promisedCount;
};

EarlyListing::EarlyListing(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

EarlyListing::EarlyListing(EarlyListing &&) noexcept = default;
EarlyListing::~EarlyListing() = default;

std::optional<std::vector<FileItem>> EarlyListing::takePromised()
{
    return std::move(m_impl->promised);
}

std::optional<FolderSnapshot> EarlyListing::takeSnapshot()
{
    return m_impl->lister.takeSnapshot();
}

FileListing EarlyListing::finish(bool &keptPromise)
{
    Impl &impl = *m_impl;
    if (!impl.facts)
        impl.facts = std::make_unique<FactQueue>(::dirfd(impl.stream.get()), impl.access, impl.askedNames);
    impl.lister.take(::dirfd(impl.stream.get()), impl.names, 0, impl.names.entries.size(), *impl.facts, {});
    impl.facts.reset();
    // Every file taken was promised (its name said ordinary file, visible, UTF-8, and no entry's type was
    // unknown), so the same count means the same files.
    keptPromise = impl.promisedCount && impl.lister.keptCount() == *impl.promisedCount;
    return FileListing { {}, impl.lister.leftOut(), impl.lister.takeStamps(), impl.lister.takeSnapshot() };
}

Result<EarlyListing> FileAccessService::beginListing(const std::filesystem::path &folder) const
{
    const std::filesystem::path root = FilePaths::standardized(folder);
    DIR *folderStream = streamFor(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderStream)
        return Error { std::string(directoryAccessDeniedMessage), errno };
    const std::string prefix = withSeparator(root.native());
    auto impl = std::make_unique<EarlyListing::Impl>(prefix, folderStream);
    impl->lister.makeNoRecords();
    const int fd = ::dirfd(folderStream);
    impl->names = impl->lister.readNames(impl->stream.get(), {});
    impl->names.asked(0, impl->names.entries.size(), impl->askedNames);
    // Without every entry's type there is no promise, and nothing is asked until `finish`.
    const auto &entries = impl->names.entries;
    if (std::any_of(entries.begin(), entries.end(), [](const auto &entry) { return entry.second == DT_UNKNOWN; }))
        return EarlyListing(std::move(impl));
    // The questions begin at once, on another thread; the promised records are made meanwhile.
    impl->facts = std::make_unique<FactQueue>(fd, impl->access, impl->askedNames);
    std::vector<FileItem> promised;
    promised.reserve(entries.size());
    std::string url;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const char *name = impl->names.name(i);
        if (entries[i].second != DT_REG || !Unicode::isValidUtf8(name))
            continue;
        url.assign(prefix).append(name);
        promised.push_back(FileItem::fromListing(url, std::nullopt));
    }
    impl->promisedCount = promised.size();
    impl->promised = std::move(promised);
    return EarlyListing(std::move(impl));
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
