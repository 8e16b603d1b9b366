#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>

#include <fcntl.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include "FatVolume.h"
#include "FileAccessService.h"

namespace {

namespace fs = std::filesystem;

void write(const fs::path &file, const std::string &contents)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << contents;
}

std::string read(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

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

TEST_F(FatVolumeTest, theVolumeRefusesNoReplaceRenames)
{
    write(at("probe.txt"), "p");
    // The premise of the fallback tests below: the flag is refused even for a free name.
    EXPECT_NE(::renameat2(AT_FDCWD, at("probe.txt").c_str(), AT_FDCWD, at("free.txt").c_str(), RENAME_NOREPLACE), 0);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(FatVolumeTest, existenceIgnoresLetterCase)
{
    write(at("Photo.JPG"), "x");
    EXPECT_TRUE(m_service.itemExists(at("Photo.JPG")));
    EXPECT_TRUE(m_service.itemExists(at("photo.jpg")));
    EXPECT_TRUE(m_service.itemExists(at("PHOTO.JPG")));
    EXPECT_FALSE(m_service.itemExists(at("photo.jpeg")));
}

TEST_F(FatVolumeTest, renamesToAFreeName)
{
    write(at("a.txt"), "content");
    EXPECT_FALSE(m_service.moveItem(at("a.txt"), at("b.txt")));
    EXPECT_EQ(names(), std::unordered_set<std::string> { "b.txt" });
    EXPECT_EQ(read(at("b.txt")), "content");
}

TEST_F(FatVolumeTest, neverReplacesAnExistingFileInAnySpelling)
{
    write(at("a.txt"), "first");
    write(at("b.txt"), "second");
    for (const char *target : { "b.txt", "B.TXT" }) {
        const auto failure = m_service.moveItem(at("a.txt"), at(target));
        ASSERT_TRUE(failure) << target;
        EXPECT_EQ(failure->code, EEXIST);
        EXPECT_EQ(failure->description, "File exists");
    }
    EXPECT_EQ(names(), (std::unordered_set<std::string> { "a.txt", "b.txt" }));
    EXPECT_EQ(read(at("a.txt")), "first");
    EXPECT_EQ(read(at("b.txt")), "second");
}

TEST_F(FatVolumeTest, missingSourceFailsWithoutLeavingAPlaceholder)
{
    const auto failure = m_service.moveItem(at("missing.txt"), at("new.txt"));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->description, "No such file or directory");
    EXPECT_TRUE(names().empty());
}

TEST_F(FatVolumeTest, changesOnlyTheLetterCase)
{
    write(at("Photo.JPG"), "picture");
    EXPECT_FALSE(m_service.moveItem(at("Photo.JPG"), at("photo.JPG")));
    // Exactly one entry, spelled the new way: no temporary name, no placeholder, no FUSE leftover.
    EXPECT_EQ(names(), std::unordered_set<std::string> { "photo.JPG" });
    EXPECT_EQ(read(at("photo.JPG")), "picture");
}

TEST_F(FatVolumeTest, listsFilesWithTheirSizes)
{
    write(at("one.txt"), "123");
    fs::create_directory(at("sub"));
    write(at("sub/two.txt"), "12345");
    const FileListing listing = m_service.listFiles(m_volume->path(), true);
    ASSERT_FALSE(listing.error);
    ASSERT_EQ(listing.files.size(), 2u);
    for (const FileItem &item : listing.files)
        EXPECT_EQ(item.size, item.name == "one.txt" ? 3 : 5) << item.name;
}

} // namespace
