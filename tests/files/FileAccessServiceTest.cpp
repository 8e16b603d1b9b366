#include "FileAccessService.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

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

} // namespace
