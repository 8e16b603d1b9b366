#include "FileAccessService.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "AccessShortcut.h"
#include "TestDir.h"

namespace {

namespace fs = std::filesystem;

/// The listed files as paths relative to `root`, in listing order.
std::vector<std::string> relativeNames(const Result<FileListing> &listing, const fs::path &root)
{
    std::vector<std::string> names;
    for (const FileItem &item : listing->files)
        names.push_back(item.url.relativeTo(root).string());
    return names;
}

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

struct statx statxOf(const fs::path &path)
{
    struct statx info { };
    EXPECT_EQ(::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &info), 0) << path;
    return info;
}

TEST(FileAccessServiceTest, LeavesOutFoldersHiddenEntriesLinksAndSpecialFiles)
{
    TestDir dir;
    dir.createFile("a.txt", "a");
    dir.createFile("sub/b.txt", "b");
    dir.createFile("sub/deeper/c.txt", "c");
    dir.createFile(".DS_Store");
    dir.createFile(".hidden/inside.txt");
    dir.createFile("sub/.secret");
    fs::create_symlink(dir.path() / "a.txt", dir.path() / "link.txt");
    fs::create_symlink(dir.path() / "sub", dir.path() / "linked-folder");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling.txt");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir.path() / "socket").string();
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);

    const FileAccessService service;
    const Result<FileListing> flat = service.listFiles(dir.path(), false);
    ASSERT_TRUE(flat);
    EXPECT_EQ(relativeNames(flat, dir.path()), std::vector<std::string> { "a.txt" });

    const Result<FileListing> deep = service.listFiles(dir.path(), true);
    ASSERT_TRUE(deep);
    // The linked folder is not followed, so b.txt and c.txt appear once, under their real folder.
    EXPECT_EQ(sorted(relativeNames(deep, dir.path())),
        (std::vector<std::string> { "a.txt", "sub/b.txt", "sub/deeper/c.txt" }));
    ::close(sock);
}

TEST(FileAccessServiceTest, ALinkMetBeforeItsTargetDoesNotHideTheTarget)
{
    TestDir dir;
    // Entry order is the file system's own; with many pairs some link comes before its target, and the top folder
    // is large enough to be asked about on two threads.
    constexpr int count = 600;
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        const std::string file = "file" + std::to_string(i) + ".txt", deep = "zsub/deep" + std::to_string(i) + ".txt";
        fs::create_symlink(dir.createFile(file), dir.path() / ("link" + std::to_string(i)));
        // A link into a subfolder, met at the top before the walk reaches the subfolder's file.
        fs::create_symlink(dir.createFile(deep), dir.path() / ("deeplink" + std::to_string(i)));
        expected.insert(expected.end(), { file, deep });
    }
    const Result<FileListing> listing = FileAccessService().listFiles(dir.path(), true, {}, true);
    ASSERT_TRUE(listing);
    EXPECT_EQ(sorted(relativeNames(listing, dir.path())), sorted(expected));
    // Each listed file's stamp is kept under its relative path, and nothing else is.
    EXPECT_EQ(listing->stamps.size(), expected.size());
    for (const std::string &name : expected) {
        const struct statx info = statxOf(dir.path() / name);
        const auto mtime = static_cast<std::int64_t>(info.stx_mtime.tv_sec) * 1'000'000'000 + info.stx_mtime.tv_nsec;
        EXPECT_EQ(
            listing->stamps.find(name), (FileStamp { info.stx_ino, static_cast<std::int64_t>(info.stx_size), mtime }))
            << name;
    }
    EXPECT_EQ(listing->stamps.find("link0"), std::nullopt);
    EXPECT_EQ(listing->stamps.find("file0.tx"), std::nullopt);
}

TEST(FileAccessServiceTest, NamesThatAreNotUtf8AreLeftOutAndNotDescendedInto)
{
    TestDir dir;
    dir.createFile("good \xC3\xA9.txt");
    dir.createFile("bad\xFF.txt");
    dir.createFile("overlong\xC0\xAF.txt");
    dir.createFile("folder\xFE/inside.txt");
    const FileAccessService service;
    const Result<FileListing> listing = service.listFiles(dir.path(), true);
    ASSERT_TRUE(listing);
    EXPECT_EQ(relativeNames(listing, dir.path()), std::vector<std::string> { "good \xC3\xA9.txt" });
    // They exist and are seen, just not listed.
    const auto names = service.entryNames(dir.path());
    ASSERT_TRUE(names);
    EXPECT_TRUE(names->contains("bad\xFF.txt"));
    EXPECT_EQ(names->size(), 4u);
}

TEST(FileAccessServiceTest, FoldersThatCannotBeListedFail)
{
    TestDir dir;
    const fs::path file = dir.createFile("plain.txt");
    const FileAccessService service;
    for (const fs::path &folder : { dir.path() / "missing", file, file / "child" }) {
        const Result<FileListing> listing = service.listFiles(folder, false);
        ASSERT_FALSE(listing) << folder;
        EXPECT_EQ(listing.error().message, "Cannot access the selected folder.");
    }
    // An empty folder is not an error.
    const Result<FileListing> empty = service.listFiles(dir.createDir("empty"), true);
    EXPECT_TRUE(empty);
    EXPECT_TRUE(empty->files.empty());
}

TEST(FileAccessServiceTest, RecordsCarryStandardisedLocationSizeAndDates)
{
    TestDir dir;
    const auto before = std::chrono::system_clock::now();
    dir.createFile("sub/archive.tar.gz", "12345");
    const auto after = std::chrono::system_clock::now();
    // A modification time far from now, to tell it from the fallback to the moment of listing.
    const timespec times[2] = { { 1'000'000'000, 0 }, { 1'234'567'890, 500'000'000 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path() / "sub/archive.tar.gz").c_str(), times, 0), 0);

    // Asked through "." and ".." segments and a trailing separator.
    const Result<FileListing> listing = FileAccessService().listFiles(dir.path().string() + "/./sub/../sub/", false);
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->files.size(), 1u);
    const FileItem &item = listing->files.front();
    EXPECT_EQ(item.url, dir.path() / "sub/archive.tar.gz");
    EXPECT_EQ(item.name, "archive.tar.gz");
    EXPECT_EQ(item.extensionType, "gz");
    EXPECT_EQ(item.size, 5);
    // A record of an item that cannot be read has no size.
    EXPECT_EQ(FileItem::make(dir.path() / "sub/missing").size, 0);
    EXPECT_EQ(item.modificationDate, TimePoint(std::chrono::seconds(1'234'567'890) + std::chrono::milliseconds(500)));
    // A stamp far in the future (beyond what a nanosecond clock holds) is kept as it is.
    const auto future = std::chrono::sys_days(std::chrono::year(2300) / 1 / 1);
    const timespec farTimes[2] = { { 0, 0 }, { future.time_since_epoch() / std::chrono::seconds(1), 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.createFile("far.txt", "").c_str(), farTimes, 0), 0);
    const Result<FileListing> far = FileAccessService().listFiles(dir.path(), false);
    ASSERT_EQ(far->files.size(), 1u);
    EXPECT_EQ(far->files.front().modificationDate, future);
    const struct statx info = statxOf(item.url.path());
    if (info.stx_mask & STATX_BTIME) {
        // Birth time does not move with utimensat; it is when the file was made.
        EXPECT_GE(item.creationDate, before - std::chrono::seconds(1));
        EXPECT_LE(item.creationDate, after + std::chrono::seconds(1));
    }
}

TEST(FileAccessServiceTest, KernelTimesOutsideTheKeptDatesAreNoDate)
{
    // Seconds, nanoseconds, kept: the edges of 0001-01-01 and 9999-12-31 and of a second.
    const std::int64_t first = -62'135'596'800, last = 253'402'300'799;
    const std::tuple<std::int64_t, std::int64_t, bool> rows[] { { 0, 999'999'999, true }, { 0, 1'000'000'000, false },
        { 0, -1, false }, { first, 0, true }, { first - 1, 0, false }, { last, 0, true }, { last + 1, 0, false } };
    for (const auto &[seconds, nanoseconds, kept] : rows)
        EXPECT_EQ(TimePoints::fromUnix(seconds, nanoseconds).has_value(), kept) << seconds << " " << nanoseconds;
}

TEST(FileAccessServiceTest, FollowsAFinalLinkAndRespectsLetterCaseAndEntryNamesAreExact)
{
    TestDir dir;
    const fs::path file = dir.createFile("Photo.JPG");
    dir.createDir("folder");
    fs::create_symlink(file, dir.path() / "good-link");
    fs::create_symlink(dir.path() / "gone", dir.path() / "dangling-link");
    const FileAccessService service;
    const struct {
        fs::path location;
        bool exists;
    } cases[] = {
        { file, true }, { dir.path() / "folder", true }, { dir.path() / "folder/../Photo.JPG", true },
        { dir.path() / "./folder/", true }, { dir.path() / "good-link", true }, { dir.path() / "dangling-link", false },
        { dir.path() / "missing", false }, { dir.path() / "photo.jpg", false }, // this volume tells letter case apart
    };
    for (const auto &check : cases)
        EXPECT_EQ(service.itemExists(check.location), check.exists) << check.location;
    EXPECT_EQ(service.entryNames(dir.path()),
        (std::unordered_set<std::string> { "Photo.JPG", "folder", "good-link", "dangling-link" }));
    EXPECT_FALSE(service.entryNames(dir.path() / "missing"));
    EXPECT_FALSE(service.entryNames(file));
}

/// Where the bits answer for faccessat, they answer as it does: for every mode, owned by the caller and (as root)
/// by another user, and immutable.
std::vector<std::string> shortcutDisagreements(const fs::path &folder)
{
    std::vector<std::string> wrong;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const AccessShortcut access(fd);
    for (const auto &entry : fs::directory_iterator(folder)) {
        struct statx info { };
        ::statx(fd, entry.path().filename().c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &info);
        const std::optional<bool> decided = access.readWrite(info);
        const bool asked = ::faccessat(fd, entry.path().filename().c_str(), R_OK | W_OK, 0) == 0;
        if (decided.value_or(asked) != asked)
            wrong.push_back(entry.path().filename().string());
        // Only a security module that checks each file (none on a stock system) keeps the owner from an answer.
        if (!decided && info.stx_uid == ::getuid() && ::getuid() != 0 && !fs::exists("/sys/fs/selinux"))
            wrong.push_back(entry.path().filename().string() + " (no answer for the owner)");
    }
    ::close(fd);
    return wrong;
}

TEST(FileAccessServiceTest, PermissionBitsDecideAsFaccessatWould)
{
    TestDir dir;
    const fs::path folder = dir.createDir("modes");
    // Open to the other user too.
    ::chmod(dir.path().c_str(), 0711);
    ::chmod(folder.c_str(), 0777);
    for (const ::mode_t mode : { 0000, 0200, 0400, 0600, 0644, 0700, 0060, 0006, 0066, 0777 }) {
        for (const ::uid_t owner : { ::getuid(), ::uid_t(4242) }) {
            const fs::path file = dir.createFile("modes/" + std::to_string(mode) + "-" + std::to_string(owner));
            ::chmod(file.c_str(), mode);
            if (owner != ::getuid() && ::chown(file.c_str(), owner, owner) != 0)
                fs::remove(file);
        }
    }
    const bool immutable = canMakeImmutable() && setImmutable(dir.createFile("modes/immutable"), true);
    EXPECT_EQ(shortcutDisagreements(folder), std::vector<std::string> {});
    if (::getuid() == 0) {
        // The same files seen by their other owner, who is not root.
        const ::pid_t child = ::fork();
        if (child == 0) {
            const bool becameUser = ::setgroups(0, nullptr) == 0 && ::setresgid(4242, 4242, 4242) == 0
                && ::setresuid(4242, 4242, 4242) == 0;
            if (!becameUser)
                ::_exit(2);
            for (const std::string &name : shortcutDisagreements(folder))
                std::fprintf(stderr, "as user 4242: %s\n", name.c_str());
            ::_exit(shortcutDisagreements(folder).empty() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    if (immutable)
        setImmutable(folder / "immutable", false);
}

TEST(FileAccessServiceTest, ALargeFolderPairsEachNameWithItsOwnFacts)
{
    // Enough names that a second thread asks about some of them; each file's size is its number, every
    // tenth entry is a folder holding one file, every 97th file cannot be written.
    TestDir dir;
    const bool immutable = canMakeImmutable();
    std::vector<fs::path> locked;
    for (int i = 0; i < 1500; ++i) {
        const std::string name = std::to_string(i);
        if (i % 10 == 0) {
            dir.createFile(name + "/inner", "x");
            continue;
        }
        const fs::path file = dir.createFile(name, std::string(static_cast<std::size_t>(i), 'x'));
        if (i % 97 == 0 && immutable && setImmutable(file, true))
            locked.push_back(file);
    }
    const Result<FileListing> listing = FileAccessService().listFiles(dir.path(), true);
    for (const fs::path &file : locked)
        setImmutable(file, false);
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->files.size(), 1500u - locked.size());
    EXPECT_EQ(listing->leftOut.notWritable, static_cast<std::int64_t>(locked.size()));
    for (const FileItem &item : listing->files) {
        if (item.name == "inner")
            EXPECT_EQ(item.size, 1);
        else
            EXPECT_EQ(std::to_string(item.size), item.name);
    }
}

TEST(FileAccessServiceTest, AnEarlyListingPromisesTheVisibleFilesAndSaysWhetherItKeptThem)
{
    TestDir dir;
    for (const char *name : { "b.txt", "a.txt", ".hidden", "sub/inner.txt", "bad\xff.txt" })
        dir.createFile(name, name);
    fs::create_symlink(dir.path() / "a.txt", dir.path() / "link.txt");
    const auto urls = [](const std::vector<FileItem> &files) {
        std::vector<std::string> names;
        for (const FileItem &file : files)
            names.push_back(file.url.path().filename().string());
        return sorted(names);
    };
    const std::vector<std::string> visible { "a.txt", "b.txt" };
    for (const bool locked : { false, true }) {
        if (locked && !(canMakeImmutable() && setImmutable(dir.path() / "b.txt", true)))
            continue;
        Result<EarlyListing> early = FileAccessService().beginListing(dir.path());
        ASSERT_TRUE(early);
        const std::optional<std::vector<FileItem>> promised = early->takePromised();
        ASSERT_TRUE(promised);
        EXPECT_EQ(urls(*promised), visible);
        bool keptPromise = false;
        const FileListing listing = early->finish(keptPromise);
        setImmutable(dir.path() / "b.txt", false);
        EXPECT_EQ(keptPromise, !locked);
        EXPECT_EQ(listing.leftOut.notWritable, locked ? 1 : 0);
        EXPECT_EQ(listing.leftOut.notUtf8, 1);
        EXPECT_EQ(listing.stamps.size(), locked ? 1u : 2u);
        EXPECT_EQ(listing.stamps.find("a.txt")->size, 5);
    }
}

TEST(FileAccessServiceTest, PlanningReadsTheListedFolderAgainOnlyWhenItChanged)
{
    TestDir dir;
    dir.createFile("a.txt");
    dir.createFile(".hidden");
    dir.createDir("sub");
    // A folder last changed an hour ago: a change from now on moves its time.
    const timespec hourAgo[2] = { { 0, UTIME_OMIT }, { ::time(nullptr) - 3600, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.path().c_str(), hourAgo, 0), 0);
    FileAccessService disk;
    Result<FileListing> listing = disk.listFiles(dir.path(), false, {}, true);
    ASSERT_TRUE(listing && listing->snapshot);
    const SnapshotFileSystem fileSystem(disk, *listing->snapshot);
    const auto names = [&] {
        std::vector<std::string> seen;
        EXPECT_TRUE(
            fileSystem.visitEntryNames(dir.path(), 1000, [&](std::string_view name) { seen.emplace_back(name); }));
        return sorted(seen);
    };
    EXPECT_EQ(names(), (std::vector<std::string> { ".hidden", "a.txt", "sub" }));

    // A new entry, with the folder's time put back: the listing still answers, which shows it is the one asked.
    dir.createFile("b.txt");
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.path().c_str(), hourAgo, 0), 0);
    EXPECT_EQ(names(), (std::vector<std::string> { ".hidden", "a.txt", "sub" }));
    // Left as the change made it, the folder is read again.
    dir.createFile("c.txt");
    EXPECT_EQ(names(), (std::vector<std::string> { ".hidden", "a.txt", "b.txt", "c.txt", "sub" }));
}

} // namespace
