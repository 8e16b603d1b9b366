#include <cerrno>
#include <filesystem>
#include <string>
#include <unordered_set>

#include <fcntl.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include "BatchFolder.h"
#include "FatVolume.h"
#include "FileAccessService.h"
#include "TestDir.h"

namespace {

namespace fs = std::filesystem;

/// A case-insensitive volume that refuses RENAME_NOREPLACE, so every rename takes the fallback path.
class FatVolumeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string whyNot;
        m_volume = FatVolume::mount(&whyNot);
        if (!m_volume)
            GTEST_SKIP() << "no FAT volume: " << whyNot;
    }

    fs::path at(const std::string &name) const { return m_volume->path() / name; }

    std::unordered_set<std::string> names() const
    {
        const auto found = m_service.entryNames(m_volume->path());
        EXPECT_TRUE(found);
        return found.value_or(std::unordered_set<std::string> {});
    }

    std::unique_ptr<FatVolume> m_volume;
    FileAccessService m_service;
};

// One volume for the whole story, since mounting one through FUSE is slow.
TEST_F(FatVolumeTest, RenamesWithoutReplacingAnythingInAnySpelling)
{
    writeFile(at("a.txt"), "first");
    // The premise: the flag is refused even for a free name, so every rename takes the fallback path.
    EXPECT_NE(::renameat2(AT_FDCWD, at("a.txt").c_str(), AT_FDCWD, at("free.txt").c_str(), RENAME_NOREPLACE), 0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(m_service.itemExists(at("A.TXT")));
    EXPECT_FALSE(m_service.itemExists(at("a.txt.txt")));

    const auto folder = BatchFolder::open(m_volume->path(), std::nullopt);
    ASSERT_TRUE(folder);
    EXPECT_TRUE((*folder)->rename("a.txt", "b.txt"));
    writeFile(at("c.txt"), "second");
    for (const char *target : { "b.txt", "B.TXT" }) {
        const Result<void> moved = (*folder)->rename("c.txt", target);
        ASSERT_FALSE(moved) << target;
        EXPECT_EQ(moved.error(), (Error { "File exists", EEXIST }));
    }
    // A missing source leaves no placeholder behind.
    EXPECT_EQ((*folder)->rename("missing.txt", "new.txt").error().message, "No such file or directory");
    // A case-only change through a hidden name leaves exactly one entry, spelled the new way, no FUSE leftover.
    const std::string hidden = hiddenTemporaryName("b.txt");
    EXPECT_TRUE((*folder)->rename("b.txt", hidden) && (*folder)->rename(hidden, "B.txt"));
    EXPECT_EQ(names(), (std::unordered_set<std::string> { "B.txt", "c.txt" }));
    EXPECT_EQ(readFile(at("B.txt")), "first");
    EXPECT_EQ(readFile(at("c.txt")), "second");

    fs::create_directory(at("sub"));
    writeFile(at("sub/two.txt"), "12345");
    const Result<FileListing> listing = m_service.listFiles(m_volume->path(), true);
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->files.size(), 3u);
    for (const FileItem &item : listing->files)
        EXPECT_EQ(item.size, item.name == "c.txt" ? 6 : 5) << item.name;
}

} // namespace
