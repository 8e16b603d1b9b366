#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "FileAccessService.h"
#include "FileRenameService.h"
#include "FileUndoService.h"
#include "Log.h"
#include "TestDir.h"

namespace fs = std::filesystem;

namespace {

using Move = std::pair<fs::path, fs::path>;
using Progress = std::pair<std::int64_t, std::int64_t>;

/// Knows no capture dates; remembers every move it is told about, in order.
class RecordingMetadata final : public FileMetadataProviding {
public:
    std::optional<TimePoint> captureDate(const fs::path &) override { return std::nullopt; }
    void itemMoved(const fs::path &from, const fs::path &to) override
    {
        std::lock_guard lock(m_mutex);
        m_moves.emplace_back(from, to);
    }
    std::vector<Move> moves() const
    {
        std::lock_guard lock(m_mutex);
        return m_moves;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Move> m_moves;
};

class ApplyUndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousSink = setLogSink([this](const std::string &line) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(line);
        });
    }
    void TearDown() override { setLogSink(std::move(m_previousSink)); }

    RenamePlan plan(const std::string &oldName, const std::string &newName) const
    {
        return RenamePlan { Uuid::random(), FileLocation(dir.path() / oldName), FileLocation(dir.path() / newName),
            oldName, newName };
    }
    RenameUndoEntry entry(const std::string &renamed, const std::string &original) const
    {
        return RenameUndoEntry { FileLocation(dir.path() / renamed), FileLocation(dir.path() / original) };
    }
    Move move(const std::string &from, const std::string &to) const { return { dir.path() / from, dir.path() / to }; }

    /// Every name in the folder, hidden ones included, so that a leftover temporary name shows.
    std::set<std::string> names() const
    {
        std::set<std::string> result;
        for (const auto &entry : fs::directory_iterator(dir.path()))
            result.insert(entry.path().filename().string());
        return result;
    }
    std::vector<std::string> log() const
    {
        std::lock_guard lock(m_logMutex);
        return m_log;
    }

    TestDir dir;
    FileAccessService fileAccess;
    RecordingMetadata metadata;
    FileRenameService service { fileAccess, metadata };

private:
    std::function<void(const std::string &)> m_previousSink;
    mutable std::mutex m_logMutex;
    std::vector<std::string> m_log;
};

TEST_F(ApplyUndoTest, UnchangedLocationsAreSkippedAndRecordedNowhere)
{
    const auto nothing = service.applyPlans({}, [](std::int64_t, std::int64_t) { ADD_FAILURE() << "progress"; });
    EXPECT_TRUE(nothing.undoEntries.empty() && nothing.failures.empty());
    EXPECT_EQ(service.undoBatch({}).restoredCount, 0);

    dir.createFile("same.txt", "same");
    dir.createFile("old.txt", "old");
    dir.createDir("sub");
    auto dotted = plan("same.txt", "same.txt");
    dotted.newURL = FileLocation(dir.path() / "." / "same.txt");
    auto parent = plan("same.txt", "same.txt");
    parent.newURL = FileLocation(dir.path() / "sub" / ".." / "same.txt");
    // A missing file under an unchanged name is not even looked at: no failure, no move.
    const auto result = service.applyPlans({ plan("same.txt", "same.txt"), dotted, parent,
        plan("missing.txt", "missing.txt"), plan("old.txt", "new.txt") });
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.undoEntries, (std::vector { entry("new.txt", "old.txt") }));
    EXPECT_EQ(metadata.moves(), (std::vector { move("old.txt", "new.txt") }));
    EXPECT_EQ(names(), (std::set<std::string> { "same.txt", "new.txt", "sub" }));
    EXPECT_TRUE(log().empty());
}

TEST_F(ApplyUndoTest, ProgressIsReportedAtYieldPointsAndAtTheEndBothWays)
{
    const struct {
        int count;
        int skipped; // position of an unchanged plan, or -1
        std::vector<Progress> expected;
    } cases[] = {
        { 120, -1, { { 51, 120 }, { 101, 120 }, { 120, 120 } } },
        { 101, -1, { { 51, 101 }, { 101, 101 } } },
        { 60, 50, { { 60, 60 } } },
        { 3, -1, { { 3, 3 } } },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.count);
        TestDir folder;
        std::vector<RenamePlan> plans;
        for (int i = 0; i < testCase.count; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            folder.createFile(name, name);
            const std::string newName = i == testCase.skipped ? name : "g" + std::to_string(i) + ".txt";
            plans.push_back(RenamePlan { Uuid::random(), FileLocation(folder.path() / name),
                FileLocation(folder.path() / newName), name, newName });
        }
        std::vector<Progress> progress;
        const auto record = [&](std::int64_t done, std::int64_t total) { progress.emplace_back(done, total); };
        const auto result = service.applyPlans(plans, record);
        EXPECT_EQ(progress, testCase.expected);
        EXPECT_TRUE(result.failures.empty());
        // Undo entries come in plan order.
        std::vector<RenameUndoEntry> expectedEntries;
        for (const auto &planned : plans) {
            if (planned.originalURL != planned.newURL)
                expectedEntries.push_back({ planned.newURL, planned.originalURL });
        }
        EXPECT_EQ(result.undoEntries, expectedEntries);
        if (testCase.skipped < 0) {
            // The backward walk of undo reports at the same positions.
            progress.clear();
            const auto undone = service.undoBatch(result.undoEntries, record);
            EXPECT_EQ(progress, testCase.expected);
            EXPECT_EQ(undone.restoredCount, testCase.count);
            EXPECT_EQ(folder.read("f0.txt"), "f0.txt");
        }
    }
}

TEST_F(ApplyUndoTest, ARefusedRenameFailsAloneWithTheFileSystemsOwnText)
{
    for (const char *name : { "1.txt", "2.txt", "3.txt", "4.txt", "locked.txt" })
        dir.createFile(name, name);
    dir.createFile("three.txt", "intruder"); // taken between planning and applying
    const bool locking = canMakeImmutable() && setImmutable(dir.path() / "locked.txt", true);
    const std::string longName = std::string(296, 'n') + ".txt";
    fs::remove(dir.path() / "4.txt"); // vanished since planning
    const auto result = service.applyPlans({ plan("1.txt", "one.txt"), plan("2.txt", longName),
        plan("3.txt", "three.txt"), plan("4.txt", "four.txt"), plan("locked.txt", "moved.txt") });
    std::vector<FileRenameService::RenameFailure> expected { { "2.txt", longName, "File name too long" },
        { "3.txt", "three.txt", "File exists" }, { "4.txt", "four.txt", "No such file or directory" } };
    if (locking)
        expected.push_back({ "locked.txt", "moved.txt", "Operation not permitted" });
    EXPECT_EQ(result.failures, expected);
    EXPECT_EQ(result.undoEntries.front(), entry("one.txt", "1.txt"));
    EXPECT_EQ(result.undoEntries.size(), locking ? 1u : 2u);
    ASSERT_EQ(log().size(), expected.size());
    EXPECT_EQ(log()[1], "Rename failed 3.txt -> three.txt: File exists");
    EXPECT_EQ(dir.read("3.txt"), "3.txt");
    EXPECT_EQ(dir.read("three.txt"), "intruder");
    EXPECT_EQ(metadata.moves().size(), locking ? 1u : 2u);
    if (locking)
        setImmutable(dir.path() / "locked.txt", false);
}

TEST_F(ApplyUndoTest, MetadataFollowsEveryMoveAndUndoReleasesReusedNamesInOrder)
{
    dir.createFile("A.txt", "first");
    dir.createFile("B.txt", "second");
    dir.createFile("Photo.JPG", "pixels");
    // A case-only rename goes through a temporary name that never stays behind.
    const auto result
        = service.applyPlans({ plan("A.txt", "X.txt"), plan("B.txt", "A.txt"), plan("Photo.JPG", "photo.JPG") });
    ASSERT_TRUE(result.failures.empty());
    EXPECT_EQ(metadata.moves(),
        (std::vector { move("A.txt", "X.txt"), move("B.txt", "A.txt"), move("Photo.JPG", "photo.JPG") }));
    EXPECT_EQ(names(), (std::set<std::string> { "A.txt", "X.txt", "photo.JPG" }));
    EXPECT_EQ(dir.read("A.txt"), "second");

    // The batch goes back in reverse: A must go back to B before X can return to A.
    const auto undone = service.undoBatch(result.undoEntries);
    EXPECT_EQ(undone.restoredCount, 3);
    const auto moves = metadata.moves();
    EXPECT_EQ(std::vector(moves.begin() + 3, moves.end()),
        (std::vector { move("photo.JPG", "Photo.JPG"), move("A.txt", "B.txt"), move("X.txt", "A.txt") }));
    EXPECT_EQ(dir.read("A.txt"), "first");
    EXPECT_EQ(dir.read("B.txt"), "second");
    EXPECT_EQ(names(), (std::set<std::string> { "A.txt", "B.txt", "Photo.JPG" }));
}

TEST_F(ApplyUndoTest, EntriesBlockedByNewFilesAreKeptForAnotherAttempt)
{
    for (const int blocked : { 1, 3 }) {
        SCOPED_TRACE(blocked);
        for (const char *name : { "a.txt", "b.txt", "c.txt" })
            dir.createFile(name, name);
        FileUndoService history;
        const auto batch
            = service.applyPlans({ plan("a.txt", "x.txt"), plan("b.txt", "y.txt"), plan("c.txt", "z.txt") })
                  .undoEntries;
        history.push(batch);
        const std::vector<std::string> originals = blocked == 1
            ? std::vector<std::string> { "b.txt" }
            : std::vector<std::string> { "a.txt", "b.txt", "c.txt" };
        for (const std::string &name : originals)
            dir.createFile(name, "obstacle");
        const std::size_t logBefore = log().size();
        const auto undone = service.undoBatch(*history.pop());
        EXPECT_EQ(undone.restoredCount, 3 - blocked);
        EXPECT_EQ(undone.failedEntries,
            (blocked == 1 ? std::vector { entry("y.txt", "b.txt") } : std::vector { batch[2], batch[1], batch[0] }));
        EXPECT_EQ(log().at(logBefore),
            "Undo rename failed " + (dir.path() / (blocked == 1 ? "y.txt" : "z.txt")).string() + " -> "
                + (dir.path() / (blocked == 1 ? "b.txt" : "c.txt")).string() + ": File exists");
        EXPECT_EQ(dir.read("y.txt"), "b.txt");
        EXPECT_EQ(dir.read("b.txt"), "obstacle");
        // The failed entries go back onto the history in batch order, and succeed once the way is free.
        history.pushFailed(undone.failedEntries);
        ASSERT_EQ(history.depth(), 1);
        EXPECT_EQ(history.stack().back(), (blocked == 1 ? std::vector { entry("y.txt", "b.txt") } : batch));
        for (const std::string &name : originals)
            fs::remove(dir.path() / name);
        EXPECT_EQ(service.undoBatch(*history.pop()).restoredCount, blocked);
        EXPECT_EQ(names(), (std::set<std::string> { "a.txt", "b.txt", "c.txt" }));
        EXPECT_EQ(dir.read("b.txt"), "b.txt");
    }
}

TEST(FileUndoServiceTest, KeepsTheNewestTenBatchesAndPutsFailedEntriesBackInBatchOrder)
{
    FileUndoService history;
    EXPECT_TRUE(history.isEmpty());
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.pop().has_value());
    const auto batchNumber = [](int n) {
        return FileUndoService::Batch { RenameUndoEntry {
            FileLocation("/r/" + std::to_string(n)), FileLocation("/o/" + std::to_string(n)) } };
    };
    for (int n = 1; n <= 11; ++n)
        history.push(batchNumber(n));
    EXPECT_EQ(history.depth(), FileUndoService::maxDepth);
    EXPECT_EQ(history.stack().front(), batchNumber(2));
    for (int n = 11; n >= 2; --n)
        EXPECT_EQ(history.pop(), batchNumber(n));
    EXPECT_FALSE(history.canUndo());

    history.pushFailed({});
    EXPECT_TRUE(history.isEmpty());
    const RenameUndoEntry first { FileLocation("/d/x"), FileLocation("/d/a") },
        second { FileLocation("/d/y"), FileLocation("/d/b") };
    history.pushFailed({ second, first });
    ASSERT_EQ(history.depth(), 1);
    EXPECT_TRUE(history.canUndo());
    EXPECT_EQ(history.stack().back(), (FileUndoService::Batch { first, second }));
}

} // namespace
