#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ConflictResolver.h"
#include "CountingFileSystem.h"
#include "FileAccessService.h"
#include "TestDir.h"

namespace {

namespace fs = std::filesystem;

// Planning reads a folder once when it plans a few hundred files there and answers the candidates that no
// entry can match without an existence test. These tests resolve the same plans with and without that read
// and require identical results.

constexpr int manyFiles = 300;

std::string numbered(const char *format, int index)
{
    char name[64];
    std::snprintf(name, sizeof name, format, index);
    return name;
}

/// Provisional plans for files f000.txt ... of `folder`: each is renamed to one of `targets`, drawn at random,
/// or keeps its own name.
std::vector<RenamePlan> randomRenames(const fs::path &folder, const std::vector<std::string> &targets, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, targets.size());
    std::vector<RenamePlan> plans;
    for (int i = 0; i < manyFiles; ++i) {
        const std::string own = numbered("f%03d.txt", i);
        const std::size_t choice = pick(random);
        const std::string target = choice == targets.size() ? own : targets[choice];
        plans.push_back(RenamePlan { {}, FileLocation(folder / own), FileLocation(folder / target), own, target });
    }
    return plans;
}

/// The plans' new locations, which carry the new names.
std::vector<std::string> locations(const std::vector<RenamePlan> &plans)
{
    std::vector<std::string> result;
    for (const RenamePlan &plan : plans)
        result.emplace_back(plan.newURL.text());
    return result;
}

TEST(FolderScanTest, GivesTheAnswersOfOneExistenceTestPerCandidateOnExt4)
{
    TestDir dir;
    for (int i = 0; i < manyFiles; ++i)
        dir.createFile(numbered("f%03d.txt", i));
    for (const char *name : { "Taken.txt", "taken (1).txt", "notes", "SHORT~1.TXT", "e\xCC\x81.txt" })
        dir.createFile(name);
    dir.createDir("folder.txt");
    fs::create_symlink(dir.path() / "nowhere.txt", dir.path() / "dangling.txt");
    fs::create_symlink(dir.path() / "f000.txt", dir.path() / "linked.txt");
    fs::create_symlink(dir.path() / "folder.txt", dir.path() / "linkedFolder.txt");
    const std::vector<std::string> targets { "taken.txt", "Taken.txt", "taken (1).txt", "dangling.txt", "nowhere.txt",
        "linked.txt", "Linked.txt", "linkedFolder.txt", "folder.txt", "notes", "notes.", "NOTES", "SHORT~1.TXT",
        "short~1.txt", "\xC3\xA9.txt", "\xC3\x89.txt", "f001.txt", "F002.TXT", "new.txt" };

    FileAccessService disk;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        const auto provisional = randomRenames(dir.path(), targets, seed);
        CountingFileSystem scanning(disk, true, true);
        CountingFileSystem testing(disk, true, false);
        const auto scanned = resolveConflicts(provisional, scanning);
        const auto tested = resolveConflicts(provisional, testing);
        EXPECT_EQ(locations(scanned), locations(tested));
        EXPECT_EQ(scanning.completedFolderScans(), 1U);
        // Only candidates that some entry may match are still tested: the names above, the files' own names
        // and the counters that collide.
        EXPECT_LT(scanning.existenceTests() * 2, testing.existenceTests());
    }
}

TEST(FolderScanTest, AFewFilesOrAFolderFarLargerThanThePlanAreNotRead)
{
    TestDir dir;
    // More entries than planning would read for the files it plans there.
    constexpr int entries = 10 * manyFiles;
    for (int i = 0; i < entries; ++i)
        dir.createFile(numbered("f%03d.txt", i));
    FileAccessService disk;

    CountingFileSystem few(disk);
    std::vector<RenamePlan> tenPlans;
    for (int i = 0; i < 10; ++i) {
        const std::string own = numbered("f%03d.txt", i);
        tenPlans.push_back(
            RenamePlan { {}, FileLocation(dir.path() / own), FileLocation(dir.path() / "f011.txt"), own, "f011.txt" });
    }
    const auto tenResolved = resolveConflicts(tenPlans, few);
    EXPECT_EQ(few.folderScans(), 0U);
    EXPECT_EQ(tenResolved.back().newName, "f011 (10).txt");

    const auto provisional = randomRenames(dir.path(), { "f999.txt", "F1000.TXT", "new.txt" }, 7);
    CountingFileSystem scanning(disk);
    CountingFileSystem testing(disk, true, false);
    EXPECT_EQ(locations(resolveConflicts(provisional, scanning)), locations(resolveConflicts(provisional, testing)));
    EXPECT_EQ(scanning.folderScans(), 1U);
    EXPECT_EQ(scanning.completedFolderScans(), 0U);
}

} // namespace
