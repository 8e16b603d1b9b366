#include "BatchFolder.h"

#include <climits>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TestDir.h"
#include "Unicode.h"

namespace {

namespace fs = std::filesystem;

TEST(BatchFolderTest, OpensOnlyTheListedFolderAndNamesEntriesRelativeToIt)
{
    TestDir dir;
    dir.createFile("sub/b.txt", "bee");
    fs::create_directory_symlink(dir.path() / "sub", dir.path() / "link");
    const auto listed = FolderIdentity::of(dir.path() / "sub");
    ASSERT_TRUE(listed);
    EXPECT_EQ(BatchFolder::open(dir.path() / "link", std::nullopt).error().code, ENOTDIR);
    EXPECT_EQ(BatchFolder::open(dir.path() / "link", FolderIdentity::of(dir.path())).error().code, ESTALE);
    EXPECT_EQ(BatchFolder::open(dir.path() / "sub/b.txt", std::nullopt).error().code, ENOTDIR);
    const auto folder = BatchFolder::open(dir.path() / "link", listed);
    ASSERT_TRUE(folder);
    EXPECT_EQ((*folder)->identity(), *listed);
    EXPECT_EQ((*folder)->relative(dir.path() / "link/b.txt"), "b.txt");
    EXPECT_EQ((*folder)->relative(dir.path() / "link/./x/../c/d.txt"), "c/d.txt");
    for (const fs::path &outside : { dir.path() / "link", dir.path() / "linked/b.txt", dir.path() / "b.txt" })
        EXPECT_EQ((*folder)->relative(outside), std::nullopt) << outside;

    const auto entry = (*folder)->entry("b.txt");
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->regular && !entry->directory && entry->size == 3 && entry->links == 1);
    EXPECT_EQ((*folder)->entry("missing"), std::nullopt);
    // A folder that is no longer where it was opened is told apart, though the object still holds it; the link it
    // was chosen through is no such change.
    EXPECT_TRUE((*folder)->stillAtRoot());
    fs::rename(dir.path() / "sub", dir.path() / "moved");
    EXPECT_FALSE((*folder)->stillAtRoot());
}

// A rename never replaces anything, also across subfolders; refusals carry the system's reason and change nothing.
TEST(BatchFolderTest, RenamesWithoutReplacingAndGivesTheSystemsReason)
{
    TestDir dir;
    dir.createFile("a.txt", "first");
    dir.createFile("b.txt", "second");
    dir.createFile("sub/c.txt", "third");
    fs::create_directory_symlink(dir.path() / "sub", dir.path() / "link");
    const auto folder = BatchFolder::open(dir.path(), std::nullopt);
    ASSERT_TRUE(folder);
    const struct {
        std::string from;
        std::string to;
        const char *error; // empty: renamed
    } cases[] = {
        { "a.txt", "b.txt", "File exists" },
        { "missing.txt", "new.txt", "No such file or directory" },
        { "a.txt", "no-such-folder/a.txt", "No such file or directory" },
        { "a.txt", std::string(NAME_MAX + 1, 'n'), "File name too long" },
        // A link on the way is not followed.
        { "link/c.txt", "c.txt", "Not a directory" },
        { "sub/c.txt", "c.txt", "" },
        { "c.txt", "sub/c.txt", "" },
    };
    for (const auto &check : cases) {
        const Result<void> renamed = (*folder)->rename(check.from, check.to);
        EXPECT_EQ(renamed ? "" : renamed.error().message, check.error) << check.from << " -> " << check.to;
    }
    EXPECT_EQ(dir.read("a.txt"), "first");
    EXPECT_EQ(dir.read("b.txt"), "second");
    EXPECT_EQ(dir.read("sub/c.txt"), "third");
    EXPECT_TRUE((*folder)->remove("b.txt"));
    EXPECT_EQ((*folder)->namesBeside("a.txt"), (std::unordered_set<std::string> { ".", "..", "a.txt", "sub", "link" }));
}

TEST(BatchFolderTest, HiddenNamesFitADirectoryEntryAndAreCutBetweenCharacters)
{
    EXPECT_EQ(hiddenTemporaryName("a.txt").rfind(".a.txt.qvtmp-", 0), 0u);
    EXPECT_NE(hiddenTemporaryName("a.txt"), hiddenTemporaryName("a.txt"));
    for (std::size_t length : { 200u, 201u, 202u, 254u }) {
        // "é" (two bytes) lands on every position around the cut.
        const std::string name = std::string(length, 'x') + "\xC3\xA9" + std::string(40, 'y');
        const std::string hidden = hiddenTemporaryName(name);
        EXPECT_LE(hidden.size(), std::size_t { NAME_MAX }) << length;
        EXPECT_TRUE(Unicode::isValidUtf8(hidden)) << length;
        EXPECT_EQ(hidden.substr(0, 11), ".xxxxxxxxxx");
    }
}

} // namespace
