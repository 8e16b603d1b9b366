#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
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
        return RenamePlan { Uuid::random(), dir.path() / oldName, dir.path() / newName, oldName, newName };
    }

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

    /// Applies a.txt -> x.txt, b.txt -> y.txt, c.txt -> z.txt on files holding "A", "B", "C".
    std::vector<RenameUndoEntry> applyThree()
    {
        dir.createFile("a.txt", "A");
        dir.createFile("b.txt", "B");
        dir.createFile("c.txt", "C");
        auto result = service.applyPlans({ plan("a.txt", "x.txt"), plan("b.txt", "y.txt"), plan("c.txt", "z.txt") });
        EXPECT_TRUE(result.failures.empty());
        EXPECT_EQ(result.undoEntries.size(), 3u);
        return result.undoEntries;
    }

    RenameUndoEntry entry(const std::string &renamed, const std::string &original) const
    {
        return RenameUndoEntry { dir.path() / renamed, dir.path() / original };
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

TEST_F(ApplyUndoTest, EmptyListDoesNothing)
{
    std::vector<Progress> progress;
    const auto result = service.applyPlans({}, [&](std::int64_t done, std::int64_t total) {
        progress.emplace_back(done, total);
    });
    EXPECT_TRUE(result.undoEntries.empty());
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(progress.empty());

    const auto undone = service.undoBatch({});
    EXPECT_EQ(undone.restoredCount, 0);
    EXPECT_TRUE(undone.failedEntries.empty());
    EXPECT_TRUE(log().empty());
}

TEST_F(ApplyUndoTest, IdenticalLocationsAreSkippedAndRecordedNowhere)
{
    dir.createFile("same.txt", "same");
    dir.createFile("old.txt", "old");
    dir.createDir("sub");
    auto dotted = plan("same.txt", "same.txt");
    dotted.newURL = dir.path() / "." / "same.txt";
    auto parent = plan("same.txt", "same.txt");
    parent.newURL = dir.path() / "sub" / ".." / "same.txt";
    // A missing file under an unchanged name is not even looked at: no failure, no move.
    const auto missing = plan("missing.txt", "missing.txt");

    const auto result = service.applyPlans({ plan("same.txt", "same.txt"), dotted, parent, missing, plan("old.txt", "new.txt") });
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.undoEntries, (std::vector { entry("new.txt", "old.txt") }));
    EXPECT_EQ(metadata.moves(), (std::vector { Move { dir.path() / "old.txt", dir.path() / "new.txt" } }));
    EXPECT_EQ(names(), (std::set<std::string> { "same.txt", "new.txt", "sub" }));
    EXPECT_EQ(dir.read("same.txt"), "same");
    EXPECT_TRUE(log().empty());
}

struct ProgressCase {
    const char *label;
    int count;
    std::vector<int> skippedPositions;
    std::vector<Progress> expected;
};

TEST_F(ApplyUndoTest, ProgressIsReportedAtYieldPointsAndAtTheEnd)
{
    const std::vector<ProgressCase> cases = {
        { "120 changed", 120, {}, { { 51, 120 }, { 101, 120 }, { 120, 120 } } },
        { "last position is a yield point", 101, {}, { { 51, 101 }, { 101, 101 } } },
        { "skipped plan at 50 gives no yield", 60, { 50 }, { { 60, 60 } } },
        { "short", 3, {}, { { 3, 3 } } },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.label);
        TestDir folder;
        std::vector<RenamePlan> plans;
        for (int i = 0; i < testCase.count; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            folder.createFile(name, name);
            const bool skipped = std::ranges::count(testCase.skippedPositions, i) > 0;
            const std::string newName = skipped ? name : "g" + std::to_string(i) + ".txt";
            plans.push_back(RenamePlan { Uuid::random(), folder.path() / name, folder.path() / newName, name, newName });
        }

        std::vector<Progress> progress;
        const auto record = [&](std::int64_t done, std::int64_t total) { progress.emplace_back(done, total); };
        const auto result = service.applyPlans(plans, record);
        EXPECT_EQ(progress, testCase.expected);
        EXPECT_TRUE(result.failures.empty());
        ASSERT_EQ(result.undoEntries.size(), testCase.count - testCase.skippedPositions.size());
        // Undo entries come in plan order.
        std::size_t next = 0;
        for (const auto &plan : plans) {
            if (plan.originalURL == plan.newURL)
                continue;
            EXPECT_EQ(result.undoEntries[next++], (RenameUndoEntry { plan.newURL, plan.originalURL }));
            EXPECT_TRUE(fs::exists(plan.newURL));
            EXPECT_FALSE(fs::exists(plan.originalURL));
        }

        if (testCase.skippedPositions.empty()) {
            // The backward walk of undo reports at the same positions.
            progress.clear();
            const auto undone = service.undoBatch(result.undoEntries, record);
            EXPECT_EQ(progress, testCase.expected);
            EXPECT_EQ(undone.restoredCount, testCase.count);
            EXPECT_TRUE(undone.failedEntries.empty());
            for (int i = 0; i < testCase.count; ++i) {
                const std::string name = "f" + std::to_string(i) + ".txt";
                EXPECT_EQ(folder.read(name), name);
            }
        }
    }
}

TEST_F(ApplyUndoTest, TargetTakenAfterPlanningFailsThatRenameOnlyAndLosesNothing)
{
    for (const char *name : { "1.txt", "2.txt", "3.txt", "4.txt", "5.txt" })
        dir.createFile(name, std::string("contents of ") + name);
    const std::vector plans = { plan("1.txt", "one.txt"), plan("2.txt", "two.txt"), plan("3.txt", "three.txt"),
        plan("4.txt", "four.txt"), plan("5.txt", "five.txt") };
    // Someone else takes the third target between planning and applying.
    dir.createFile("three.txt", "intruder");

    const auto result = service.applyPlans(plans);

    EXPECT_EQ(result.undoEntries,
        (std::vector { entry("one.txt", "1.txt"), entry("two.txt", "2.txt"), entry("four.txt", "4.txt"),
            entry("five.txt", "5.txt") }));
    EXPECT_EQ(result.failures, (std::vector { FileRenameService::RenameFailure { "3.txt", "three.txt", "File exists" } }));
    EXPECT_EQ(dir.read("3.txt"), "contents of 3.txt");
    EXPECT_EQ(dir.read("three.txt"), "intruder");
    EXPECT_EQ(dir.read("four.txt"), "contents of 4.txt");
    EXPECT_EQ(names(), (std::set<std::string> { "one.txt", "two.txt", "3.txt", "three.txt", "four.txt", "five.txt" }));
    EXPECT_EQ(log(), (std::vector<std::string> { "Rename failed 3.txt -> three.txt: File exists" }));
    EXPECT_EQ(metadata.moves().size(), 4u);
}

struct RefusalCase {
    const char *label;
    std::string newName;
    bool removeSourceFirst;
    const char *reason;
};

TEST_F(ApplyUndoTest, FileSystemRefusalsCarryTheFileSystemsOwnText)
{
    const std::vector<RefusalCase> cases = {
        { "name too long", std::string(296, 'n') + ".txt", false, "File name too long" },
        { "source vanished", "renamed.txt", true, "No such file or directory" },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.label);
        TestDir folder;
        const auto source = folder.createFile("source.txt", "keep me");
        if (testCase.removeSourceFirst)
            fs::remove(source);
        const RenamePlan planned { Uuid::random(), source, folder.path() / testCase.newName, "source.txt", testCase.newName };
        const std::size_t logBefore = log().size();

        const auto result = service.applyPlans({ planned });

        EXPECT_TRUE(result.undoEntries.empty());
        EXPECT_EQ(result.failures,
            (std::vector { FileRenameService::RenameFailure { "source.txt", testCase.newName, testCase.reason } }));
        ASSERT_EQ(log().size(), logBefore + 1);
        EXPECT_EQ(log().back(), "Rename failed source.txt -> " + testCase.newName + ": " + testCase.reason);
        if (!testCase.removeSourceFirst) {
            EXPECT_EQ(folder.read("source.txt"), "keep me");
        }
    }
    EXPECT_TRUE(metadata.moves().empty());
}

TEST_F(ApplyUndoTest, LockedFileFailsWithoutStoppingTheBatch)
{
    if (!canMakeImmutable())
        GTEST_SKIP() << "immutable flags are not available here";
    const auto locked = dir.createFile("locked.txt", "L");
    dir.createFile("free.txt", "F");
    ASSERT_TRUE(setImmutable(locked, true));

    const auto result = service.applyPlans({ plan("locked.txt", "moved.txt"), plan("free.txt", "freed.txt") });

    EXPECT_EQ(result.failures,
        (std::vector { FileRenameService::RenameFailure { "locked.txt", "moved.txt", "Operation not permitted" } }));
    EXPECT_EQ(result.undoEntries, (std::vector { entry("freed.txt", "free.txt") }));
    EXPECT_EQ(dir.read("locked.txt"), "L");
    setImmutable(locked, false);
}

TEST_F(ApplyUndoTest, CaseOnlyRenameIsAppliedAndUndone)
{
    dir.createFile("Photo.JPG", "pixels");
    const auto result = service.applyPlans({ plan("Photo.JPG", "photo.JPG") });
    ASSERT_TRUE(result.failures.empty());
    EXPECT_EQ(result.undoEntries, (std::vector { entry("photo.JPG", "Photo.JPG") }));
    // Exactly one file, and no temporary name left behind.
    EXPECT_EQ(names(), (std::set<std::string> { "photo.JPG" }));

    const auto undone = service.undoBatch(result.undoEntries);
    EXPECT_EQ(undone.restoredCount, 1);
    EXPECT_TRUE(undone.failedEntries.empty());
    EXPECT_EQ(names(), (std::set<std::string> { "Photo.JPG" }));
    EXPECT_EQ(dir.read("Photo.JPG"), "pixels");
}

TEST_F(ApplyUndoTest, MetadataFollowsEveryMoveAndUndoReleasesReusedNamesInOrder)
{
    dir.createFile("A.txt", "first");
    dir.createFile("B.txt", "second");
    const auto A = dir.path() / "A.txt", B = dir.path() / "B.txt", X = dir.path() / "X.txt";

    const auto result = service.applyPlans({ plan("A.txt", "X.txt"), plan("B.txt", "A.txt") });
    ASSERT_TRUE(result.failures.empty());
    EXPECT_EQ(metadata.moves(), (std::vector { Move { A, X }, Move { B, A } }));
    EXPECT_EQ(dir.read("X.txt"), "first");
    EXPECT_EQ(dir.read("A.txt"), "second");

    // A must go back to B before X can return to A.
    const auto undone = service.undoBatch(result.undoEntries);
    EXPECT_EQ(undone.restoredCount, 2);
    EXPECT_EQ(metadata.moves(), (std::vector { Move { A, X }, Move { B, A }, Move { A, B }, Move { X, A } }));
    EXPECT_EQ(dir.read("A.txt"), "first");
    EXPECT_EQ(dir.read("B.txt"), "second");
    EXPECT_EQ(names(), (std::set<std::string> { "A.txt", "B.txt" }));
}

TEST_F(ApplyUndoTest, UndoWalksTheBatchBackwards)
{
    const auto batch = applyThree();
    const std::size_t movesBefore = metadata.moves().size();

    const auto undone = service.undoBatch(batch);

    EXPECT_EQ(undone.restoredCount, 3);
    const auto moves = metadata.moves();
    const std::vector undoMoves(moves.begin() + static_cast<std::ptrdiff_t>(movesBefore), moves.end());
    EXPECT_EQ(undoMoves,
        (std::vector { Move { dir.path() / "z.txt", dir.path() / "c.txt" }, Move { dir.path() / "y.txt", dir.path() / "b.txt" },
            Move { dir.path() / "x.txt", dir.path() / "a.txt" } }));
    EXPECT_EQ(names(), (std::set<std::string> { "a.txt", "b.txt", "c.txt" }));
}

TEST_F(ApplyUndoTest, EntryBlockedByANewFileIsKeptForAnotherAttempt)
{
    FileUndoService history;
    history.push(applyThree());
    dir.createFile("b.txt", "newcomer");

    auto batch = history.pop();
    ASSERT_TRUE(batch);
    const auto undone = service.undoBatch(*batch);
    EXPECT_EQ(undone.restoredCount, 2);
    EXPECT_EQ(undone.failedEntries, (std::vector { entry("y.txt", "b.txt") }));
    EXPECT_EQ(log(),
        (std::vector<std::string> {
            "Undo rename failed " + (dir.path() / "y.txt").string() + " -> " + (dir.path() / "b.txt").string() + ": File exists" }));
    EXPECT_EQ(dir.read("y.txt"), "B");
    EXPECT_EQ(dir.read("b.txt"), "newcomer");

    history.pushFailed(undone.failedEntries);
    ASSERT_EQ(history.depth(), 1);
    EXPECT_EQ(history.stack().back(), (std::vector { entry("y.txt", "b.txt") }));

    fs::remove(dir.path() / "b.txt");
    batch = history.pop();
    ASSERT_TRUE(batch);
    const auto retried = service.undoBatch(*batch);
    EXPECT_EQ(retried.restoredCount, 1);
    EXPECT_TRUE(retried.failedEntries.empty());
    history.pushFailed(retried.failedEntries);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(names(), (std::set<std::string> { "a.txt", "b.txt", "c.txt" }));
    EXPECT_EQ(dir.read("b.txt"), "B");
}

TEST_F(ApplyUndoTest, BatchWhoseEveryEntryFailsGoesBackWhole)
{
    FileUndoService history;
    const auto batch = applyThree();
    history.push(batch);
    for (const char *name : { "a.txt", "b.txt", "c.txt" })
        dir.createFile(name, "obstacle");

    const auto undone = service.undoBatch(*history.pop());
    EXPECT_EQ(undone.restoredCount, 0);
    EXPECT_EQ(undone.failedEntries, (std::vector { batch[2], batch[1], batch[0] }));
    EXPECT_EQ(log().size(), 3u);

    history.pushFailed(undone.failedEntries);
    ASSERT_EQ(history.depth(), 1);
    EXPECT_EQ(history.stack().back(), batch);
    EXPECT_EQ(dir.read("x.txt"), "A");
    EXPECT_EQ(dir.read("z.txt"), "C");
    EXPECT_EQ(dir.read("a.txt"), "obstacle");
}

TEST_F(ApplyUndoTest, RunsOnAnotherThread)
{
    dir.createFile("a.txt", "A");
    FileRenameService::ApplyResult result;
    std::thread worker([&] { result = service.applyPlans({ plan("a.txt", "b.txt") }); });
    worker.join();
    EXPECT_EQ(result.undoEntries, (std::vector { entry("b.txt", "a.txt") }));
    EXPECT_EQ(dir.read("b.txt"), "A");
}

TEST(FileUndoServiceTest, KeepsTheNewestTenBatches)
{
    FileUndoService history;
    EXPECT_TRUE(history.isEmpty());
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.pop().has_value());
    EXPECT_EQ(history.depth(), 0);

    const auto batchNumber = [](int n) {
        return FileUndoService::Batch { RenameUndoEntry { "/r/" + std::to_string(n), "/o/" + std::to_string(n) } };
    };
    for (int n = 1; n <= 11; ++n)
        history.push(batchNumber(n));
    EXPECT_EQ(history.depth(), FileUndoService::maxDepth);
    EXPECT_EQ(history.stack().front(), batchNumber(2));

    for (int n = 11; n >= 2; --n) {
        const auto popped = history.pop();
        ASSERT_TRUE(popped);
        EXPECT_EQ(*popped, batchNumber(n));
    }
    EXPECT_FALSE(history.pop().has_value());
    EXPECT_FALSE(history.canUndo());
}

TEST(FileUndoServiceTest, PushFailedRestoresBatchOrderAndIgnoresNothingFailed)
{
    FileUndoService history;
    history.pushFailed({});
    EXPECT_TRUE(history.isEmpty());

    const RenameUndoEntry first { "/d/x", "/d/a" }, second { "/d/y", "/d/b" };
    history.pushFailed({ second, first });
    ASSERT_EQ(history.depth(), 1);
    EXPECT_EQ(history.stack().back(), (FileUndoService::Batch { first, second }));
}

} // namespace
