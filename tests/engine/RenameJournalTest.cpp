#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BatchFolder.h"
#include "FileUndoService.h"
#include "Log.h"
#include "RenameBatchRunner.h"
#include "RenameJournal.h"
#include "TestDir.h"
#include "Uuid.h"

namespace fs = std::filesystem;

namespace {

/// Knows no capture dates; records the moves it is told of as "from>to" (names only).
class NoMetadata final : public FileMetadataProviding {
public:
    std::optional<TimePoint> captureDate(const fs::path &) override { return std::nullopt; }
    void itemMoved(const FileLocation &from, const FileLocation &to) override
    {
        moves.push_back(from.fileName().string() + ">" + to.fileName().string());
    }
    std::vector<std::string> moves;
};

/// Every entry of a folder (hidden ones too) with its contents.
std::map<std::string, std::string> snapshot(const fs::path &folder)
{
    std::map<std::string, std::string> entries;
    for (const auto &item : fs::directory_iterator(folder))
        entries[item.path().filename().string()] = readFile(item.path());
    return entries;
}

class RenameJournalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousSink = setLogSink([](const std::string &) {});
    }
    void TearDown() override { setLogSink(std::move(m_previousSink)); }

    /// `count` files "Photo<i>.JPG" holding "content <i>", and plans for `newName(i)`.
    std::vector<RenamePlan> makeBatch(int count, const std::function<std::string(int)> &newName) const
    {
        std::vector<RenamePlan> plans;
        for (int i = 0; i < count; ++i) {
            const std::string name = "Photo" + std::to_string(i) + ".JPG";
            folder.createFile(name, "content " + std::to_string(i));
            plans.push_back(RenamePlan { Uuid::random(), FileLocation(folder.path() / name),
                FileLocation(folder.path() / newName(i)), name, newName(i) });
        }
        return plans;
    }

    TestDir state;
    TestDir folder;
    RenameJournalStore store { state.path() / "Quorvane" };
    NoMetadata metadata;
    RenameBatchRunner runner { store, metadata };

private:
    std::function<void(const std::string &)> m_previousSink;
};

TEST_F(RenameJournalTest, FolderSwappedForALinkStopsTheBatchAndNothingOutsideMoves)
{
    // Enough files for their state to be looked at on two threads before the journal is written.
    const auto plans = makeBatch(600, [](int i) { return "p_Photo" + std::to_string(i) + ".JPG"; });
    TestDir other;
    for (int i = 0; i < 600; ++i)
        other.createFile("Photo" + std::to_string(i) + ".JPG", "other " + std::to_string(i));
    const auto otherBefore = snapshot(other.path());
    const fs::path moved = folder.path().string() + ".moved";

    // A folder that is not the one listed: refused before anything happens.
    auto outcome = runner.apply(folder.path(), FolderIdentity::of(other.path()), plans);
    ASSERT_TRUE(outcome.error);
    EXPECT_NE(outcome.error->find("was moved or replaced since it was listed"), std::string::npos) << *outcome.error;
    EXPECT_TRUE(outcome.renamedCount == 0);

    // Swapped for a link to the other folder while the batch runs (at its first progress report).
    bool swapped = false;
    outcome = runner.apply(folder.path(), FolderIdentity::of(folder.path()), plans, [&](std::int64_t, std::int64_t) {
        if (!swapped) {
            fs::rename(folder.path(), moved);
            fs::create_directory_symlink(other.path(), folder.path());
            swapped = true;
        }
    });
    ASSERT_TRUE(swapped);
    ASSERT_TRUE(outcome.error);
    EXPECT_NE(outcome.error->find("was moved or replaced during the rename"), std::string::npos) << *outcome.error;
    EXPECT_EQ(snapshot(other.path()), otherBefore);
    const auto renamed = snapshot(moved);
    EXPECT_EQ(renamed.size(), 600u);
    EXPECT_EQ(outcome.renamedCount, 51u);
    for (int i = 0; i < 600; ++i) {
        const std::string name = (i < 51 ? "p_Photo" : "Photo") + std::to_string(i) + ".JPG";
        EXPECT_EQ(renamed.count(name), 1u) << name;
    }
    fs::remove(folder.path());
    fs::rename(moved, folder.path());
}

// A batch that frees a name and takes it again (A -> X, B -> A), changes the letter case of a name too long to
// keep whole in its hidden name, and leaves a name as it is: the metadata hears of every move in order, progress
// comes every 50 files and at the end, and the undo goes back last rename first.
TEST_F(RenameJournalTest, ReusedNamesAndCaseChangesGoAndComeBackInOrder)
{
    const std::string longName = std::string(250, 'p') + ".JPG";
    const std::string longLower = std::string(250, 'p') + ".jpg";
    auto plans = makeBatch(101, [](int i) { return "q" + std::to_string(i); });
    const auto plan = [&](const std::string &from, const std::string &to, const char *contents) {
        folder.createFile(from, contents);
        plans.push_back(RenamePlan {
            Uuid::random(), FileLocation(folder.path() / from), FileLocation(folder.path() / to), from, to });
    };
    plan("A.txt", "X.txt", "first");
    plan("B.txt", "A.txt", "second");
    plan(longName, longLower, "pixels");
    plan("same.txt", "same.txt", "same");
    const auto before = snapshot(folder.path());
    std::vector<std::string> progress;
    const auto identity = FolderIdentity::of(folder.path());
    const auto outcome = runner.apply(folder.path(), identity, plans, [&](std::int64_t done, std::int64_t total) {
        progress.push_back(std::to_string(done) + "/" + std::to_string(total));
    });
    EXPECT_FALSE(outcome.error);
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(outcome.renamedCount, 104u);
    EXPECT_EQ(progress, (std::vector<std::string> { "51/104", "101/104", "104/104" }));
    const std::vector<std::string> forward { "A.txt>X.txt", "B.txt>A.txt", longName + ">" + longLower };
    EXPECT_EQ(std::vector(metadata.moves.end() - 3, metadata.moves.end()), forward);
    auto after = snapshot(folder.path());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after["X.txt"], "first");
    EXPECT_EQ(after["A.txt"], "second");
    EXPECT_EQ(after[longLower], "pixels");

    const auto history = store.history(identity);
    ASSERT_EQ(history.size(), 1u);
    const auto undone = runner.undo(history.back());
    EXPECT_FALSE(undone.error);
    EXPECT_EQ(undone.renamedCount, 104u);
    EXPECT_EQ(std::vector(metadata.moves.begin() + 104, metadata.moves.begin() + 107),
        (std::vector<std::string> { longLower + ">" + longName, "A.txt>B.txt", "X.txt>A.txt" }));
    EXPECT_EQ(snapshot(folder.path()), before);
}

TEST_F(RenameJournalTest, SecondBatchOnTheFolderIsRefusedWhileOneRuns)
{
    const auto plans = makeBatch(3, [](int i) { return "x" + std::to_string(i); });
    const auto identity = FolderIdentity::of(folder.path());
    const auto held = store.lockFolder(*identity);
    ASSERT_TRUE(held) << held.error().message;
    const auto outcome = runner.apply(folder.path(), identity, plans);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(*outcome.error, "Another rename is running in this folder.");
    EXPECT_EQ(snapshot(folder.path()).count("Photo0.JPG"), 1u);
}

// An interrupted batch whose steps were caught in every state a kill can leave: done, not done, under the hidden
// name of a change of letter case, under two names (hard link made, old name not yet removed), and not done with
// an empty placeholder already claiming the new name. Either direction must leave each file exactly once, under
// its old or its new name, with its contents, and nothing else.
TEST_F(RenameJournalTest, RecoveryInBothDirectionsSettlesEveryStateAKillLeaves)
{
    for (const auto direction : { RenameBatchRunner::Direction::finish, RenameBatchRunner::Direction::undo }) {
        SCOPED_TRACE(direction == RenameBatchRunner::Direction::finish ? "finish" : "undo");
        for (const auto &item : fs::directory_iterator(folder.path()))
            fs::remove(item.path());
        const int count = 120;
        const auto plans = makeBatch(count, [](int i) { return "PHOTO" + std::to_string(i) + ".JPG"; });
        std::atomic<bool> stop { false };
        // Stops after 51 of 120 files, leaving the journal open as a kill would.
        auto outcome = runner.apply(
            folder.path(), FolderIdentity::of(folder.path()), plans, [&](std::int64_t, std::int64_t) { stop = true; },
            &stop);
        ASSERT_TRUE(outcome.error);
        const auto interrupted = store.interrupted(FolderIdentity::of(folder.path()));
        ASSERT_EQ(interrupted.size(), 1u);
        // A batch in another folder meanwhile tidies the store, as every batch does, and leaves this journal alone.
        const TestDir other;
        const auto elsewhere = other.createFile("a.txt");
        const RenamePlan plan { Uuid::random(), FileLocation(elsewhere), FileLocation(other.path() / "b.txt"), "a.txt",
            "b.txt" };
        EXPECT_EQ(runner.apply(other.path(), FolderIdentity::of(other.path()), { plan }).renamedCount, 1u);
        ASSERT_EQ(store.interrupted(FolderIdentity::of(folder.path())).size(), 1u);
        EXPECT_EQ(RenameBatchRunner::interruptedMessage(interrupted[0]),
            "A rename of 120 files in " + folder.path().string() + " was interrupted.");
        // No new batch on a folder whose last one is unsettled.
        const auto refused = runner.apply(folder.path(), FolderIdentity::of(folder.path()), plans);
        EXPECT_EQ(refused.error.value_or(""), RenameBatchRunner::interruptedMessage(interrupted[0]));
        EXPECT_TRUE(refused.renamedCount == 0);
        const auto record = store.read(interrupted[0].file);
        ASSERT_TRUE(record);

        // Step 60: caught under its hidden name. Step 61: under both names. Step 62: a placeholder at the new name.
        const auto at = [&](const std::string &relative) { return folder.path() / relative; };
        fs::rename(at(record->steps[60].from), at(record->steps[60].temporary));
        fs::create_hard_link(at(record->steps[61].from), at(record->steps[61].to));
        folder.createFile(record->steps[62].to, "");
        // Step 63: a placeholder whose inode the journal recorded, at the hidden name.
        folder.createFile(record->steps[63].temporary, "");
        struct stat made { };
        ASSERT_EQ(::stat(at(record->steps[63].temporary).c_str(), &made), 0);
        {
            std::ofstream journal(record->file, std::ios::app);
            journal << "{\"placeholder\":63,\"ino\":" << made.st_ino << "}\n";
        }

        outcome = runner.recover(interrupted[0], direction);
        EXPECT_FALSE(outcome.error) << outcome.error.value_or("");
        EXPECT_TRUE(outcome.failures.empty())
            << outcome.failures.front().name << ": " << outcome.failures.front().reason;
        const auto entries = snapshot(folder.path());
        EXPECT_EQ(entries.size(), static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const std::string name
                = (direction == RenameBatchRunner::Direction::finish ? "PHOTO" : "Photo") + std::to_string(i) + ".JPG";
            ASSERT_EQ(entries.count(name), 1u) << name;
            EXPECT_EQ(entries.at(name), "content " + std::to_string(i));
        }
        EXPECT_TRUE(store.interrupted().empty());
    }
}

// The history outlives the runner (a restart); an undo moves back only what is still the same file.
TEST_F(RenameJournalTest, UndoFromTheStoreMovesBackOnlyFilesThatStillMatch)
{
    const auto plans = makeBatch(4, [](int i) { return "new" + std::to_string(i) + ".txt"; });
    ASSERT_FALSE(runner.apply(folder.path(), FolderIdentity::of(folder.path()), plans).error);
    fs::remove(folder.path() / "new1.txt");
    fs::remove(folder.path() / "new2.txt");
    folder.createFile("new2.txt", "a different file");
    folder.createFile("Photo3.JPG", "took the old name");

    const RenameJournalStore reopened(state.path() / "Quorvane");
    const auto history = reopened.history(FolderIdentity::of(folder.path()));
    ASSERT_EQ(history.size(), 1u);
    RenameBatchRunner second(reopened, metadata);
    const auto outcome = second.undo(history.back());
    EXPECT_EQ(outcome.renamedCount, 1u);
    std::map<std::string, std::string> reasons;
    for (const auto &failure : outcome.failures)
        reasons[failure.name] = failure.reason;
    EXPECT_EQ(reasons,
        (std::map<std::string, std::string> { { "new1.txt", "it is no longer there" },
            { "new2.txt", "another file now has this name" }, { "new3.txt", "File exists" } }));
    const auto entries = snapshot(folder.path());
    EXPECT_EQ(entries.at("Photo0.JPG"), "content 0");
    EXPECT_EQ(entries.at("new2.txt"), "a different file");
    EXPECT_EQ(entries.at("new3.txt"), "content 3");
    EXPECT_EQ(entries.at("Photo3.JPG"), "took the old name");

    // What could not be restored stays in the history; once its old name is free, a second undo restores it.
    fs::remove(folder.path() / "Photo3.JPG");
    const auto rest = reopened.history(FolderIdentity::of(folder.path()));
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest.back().steps.size(), 3u);
    const auto again = second.undo(rest.back());
    EXPECT_EQ(again.renamedCount, 1u);
    EXPECT_EQ(snapshot(folder.path()).at("Photo3.JPG"), "content 3");
}

// An undo stopped before its first file and finished by recovery: what it cannot move back stays in the history.
TEST_F(RenameJournalTest, RecoveredUndoKeepsWhatItCouldNotMoveBack)
{
    const auto plans = makeBatch(3, [](int i) { return "new" + std::to_string(i) + ".txt"; });
    const auto identity = FolderIdentity::of(folder.path());
    ASSERT_FALSE(runner.apply(folder.path(), identity, plans).error);
    const std::atomic<bool> stop { true };
    EXPECT_EQ(
        runner.undo(store.history(identity).back(), {}, &stop).error, "The undo was interrupted after 0 of 3 files.");
    const auto interrupted = store.interrupted(identity);
    ASSERT_EQ(interrupted.size(), 1u);
    folder.createFile("Photo1.JPG", "took the old name");
    EXPECT_EQ(runner.recover(interrupted[0], RenameBatchRunner::Direction::finish).renamedCount, 2u);
    const auto history = store.history(identity);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.back().steps, std::vector<std::size_t> { 1 });
}

// Older batches come into the history from the first and last lines of their journals alone. Both kinds of large
// journal must read back right: many steps before a short closing line, and a closing line (the list of failed
// steps) longer than the part of the file read from its end.
TEST_F(RenameJournalTest, HistoryOfLargeJournalsComesFromTheirEnds)
{
    const auto identity = FolderIdentity::of(folder.path());
    folder.createFile("taken", "");
    folder.createFile("file", "");
    // `planned` names of one file (links: far quicker to make than files), of which all after the first `free`
    // are to take the name of a file that is there already.
    const auto batch = [&](const std::string &tag, int planned, int free) {
        std::vector<RenamePlan> plans;
        for (int i = 0; i < planned; ++i) {
            const std::string name = tag + std::to_string(i);
            const std::string newName = i < free ? name + ".txt" : "taken";
            fs::create_hard_link(folder.path() / "file", folder.path() / name);
            plans.push_back(RenamePlan { Uuid::random(), FileLocation(folder.path() / name),
                FileLocation(folder.path() / newName), name, newName });
        }
        return runner.apply(folder.path(), identity, plans);
    };
    ASSERT_FALSE(batch("a", 1000, 1000).error);
    EXPECT_EQ(batch("b", 15000, 600).failures.size(), 14400u);
    ASSERT_FALSE(batch("c", 1, 1).error);

    const auto history = store.history(identity);
    ASSERT_EQ(history.size(), 3u);
    for (const std::size_t older : { 0u, 1u }) {
        const auto &steps = history[older].steps;
        ASSERT_EQ(steps.size(), older == 0 ? 1000u : 600u);
        EXPECT_EQ(steps.back(), steps.size() - 1);
        EXPECT_EQ(history[older].batch.stepCount, older == 0 ? 1000u : 15000u);
    }
}

TEST(FileUndoServiceTest, KeepsTheNewestTenBatches)
{
    FileUndoService history;
    EXPECT_FALSE(history.canUndo() || history.pop());
    const auto batch = [](int n) {
        const FileLocation location("/r/" + std::to_string(n));
        return FileUndoService::Batch { RenameUndoEntry { location, location } };
    };
    for (int n = 1; n <= 11; ++n)
        history.push(batch(n));
    EXPECT_EQ(history.depth(), FileUndoService::maxDepth);
    for (int n = 11; n >= 2; --n)
        EXPECT_EQ(history.pop(), batch(n));
    EXPECT_TRUE(history.isEmpty() && !history.canUndo());

    // Entries kept relative to their folder read back whole, the first and the later ones; past them, empty.
    UndoBatch relative("/r");
    relative.append("b1", "a1");
    relative.append("b2", "a2");
    EXPECT_EQ(relative[0], (RenameUndoEntry { FileLocation("/r/b1"), FileLocation("/r/a1") }));
    EXPECT_EQ(relative[1], (RenameUndoEntry { FileLocation("/r/b2"), FileLocation("/r/a2") }));
    EXPECT_EQ(relative[2], RenameUndoEntry {});
}

} // namespace
