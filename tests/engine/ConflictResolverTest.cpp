#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "ConflictResolver.h"
#include "CountingFileSystem.h"
#include "FileAccessService.h"
#include "FilePaths.h"
#include "TestDir.h"
#include "Unicode.h"

namespace {

namespace fs = std::filesystem;

const std::string eAcuteComposed = "\xC3\xA9"; // é as one code point
const std::string eAcuteDecomposed = "e\xCC\x81"; // e + combining acute
const std::string capitalEAcute = "\xC3\x89"; // É

/// The resolution loop exactly as first written: try the plain name, then " (1)", " (2)", ... with one full
/// test each, never remembering anything between files. Slow (quadratic), obviously right, and the yardstick
/// for the resolver. Its one refinement is the resolver's own: a case-only match is the file itself only when
/// the folder has no entry spelled exactly like the candidate (or cannot be read).
std::vector<RenamePlan> resolveByPlainLoop(
    const std::vector<RenamePlan> &provisional, const FileRenameFileSystem &disk, bool caseInsensitive)
{
    // On a volume that ignores letter case, new names that differ only in case are one name. A folder that cannot
    // be read does not show that its volume ignores case.
    const auto key = [caseInsensitive](const std::string &name) {
        return Unicode::toNFD(caseInsensitive ? Unicode::toLower(Unicode::toUpper(name)) : name);
    };
    std::map<std::string, std::set<std::string>> reserved;
    std::vector<RenamePlan> plans;
    for (const RenamePlan &plan : provisional) {
        const fs::path folder = plan.originalURL.parentPath();
        const std::string folderKey = FilePaths::standardized(folder).string();
        const fs::path own = FilePaths::standardized(plan.originalURL.path());
        const std::string_view bare = FilePaths::pathExtension(plan.newName);
        const std::string extension = bare.empty() ? std::string() : "." + std::string(bare);
        const std::string base = plan.newName.substr(0, plan.newName.size() - extension.size());

        std::string name = plan.newName;
        fs::path location = plan.newURL.path();
        for (std::uint64_t n = 1;; ++n) {
            bool accepted = false;
            if (!reserved[folderKey].contains(key(name))) {
                const fs::path at = FilePaths::standardized(location);
                if (!disk.itemExists(at) || at.string() == own.string()) {
                    accepted = true;
                } else if (Unicode::equalIgnoringCase(at.string(), own.string())) {
                    const auto entries = disk.entryNames(at.parent_path());
                    accepted = !entries || !entries->contains(at.filename().string());
                }
            }
            if (accepted)
                break;
            name = base + " (" + std::to_string(n) + ")" + extension;
            location = folder / name;
        }
        reserved[folderKey].insert(key(name));
        plans.push_back(
            RenamePlan { Uuid::random(), plan.originalURL, FileLocation(location), plan.originalName, name });
    }
    return plans;
}

/// Default case folding, the equivalence under which Unicode::equalIgnoringCase compares.
std::string folded(const std::string &text)
{
    std::string result;
    icu::UnicodeString::fromUTF8(text).foldCase(U_FOLD_CASE_DEFAULT).toUTF8String(result);
    return result;
}

/// A case-insensitive volume held in memory, answering as a FAT volume does: a name matches an entry that
/// differs from it only in letter case, while entryNames gives the names as stored. Used for the thousands of
/// random cases below, because the only case-insensitive volume this machine offers is a FUSE mount, far too
/// slow (and not always available) to create and list thousands of small folders on.
class CaseInsensitiveVolume final : public FileRenameFileSystem {
public:
    void addFile(const fs::path &file)
    {
        const fs::path location = FilePaths::standardized(file);
        m_entries[location.parent_path().string()].insert(location.filename().string());
        m_foldedItems.insert(folded(location.string()));
        for (fs::path folder = location.parent_path(); folder != folder.root_path(); folder = folder.parent_path())
            m_foldedItems.insert(folded(folder.string()));
    }

    bool itemExists(const fs::path &location) const override
    {
        return m_foldedItems.contains(folded(FilePaths::standardized(location).string()));
    }

    std::optional<std::unordered_set<std::string>> entryNames(const fs::path &folder) const override
    {
        const auto names = m_entries.find(FilePaths::standardized(folder).string());
        if (names == m_entries.end())
            return std::nullopt;
        return std::unordered_set<std::string>(names->second.begin(), names->second.end());
    }

private:
    std::map<std::string, std::set<std::string>> m_entries;
    std::unordered_set<std::string> m_foldedItems;
};

/// One random situation: files on disk per folder, and the provisional plans of some of them.
struct RandomCase {
    std::vector<fs::path> filesOnDisk;
    std::vector<RenamePlan> provisional;
};

/// Names drawn from a small pool so that they collide often: the same stem in other letter cases and in both
/// Unicode spellings, names that already carry " (n)", a dotted stem, and names with and without extension.
std::string randomName(std::mt19937 &random)
{
    static const std::vector<std::string> bases { "x", "x", "x", "X", eAcuteComposed, eAcuteDecomposed, capitalEAcute,
        "a.b", "x (1)" };
    static const std::vector<std::string> groups { "", "", "", " (1)", " (1)", " (2)", " (3)", " (1) (2)", " (01)",
        " (0)" };
    static const std::vector<std::string> extensions { ".txt", ".txt", ".txt", ".TXT", "", "." };
    auto pick = [&](const std::vector<std::string> &from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    return pick(bases) + pick(groups) + pick(extensions);
}

/// A provisional new name for a file called `own`: mostly from the pool, sometimes the name itself, a
/// spelling of it that differs only in letter case or normal form, or the name without its first " (n)", so
/// that files named after counters compete for the stem those counters belong to.
std::string randomNewName(std::mt19937 &random, const std::string &own)
{
    switch (std::uniform_int_distribution<int>(0, 11)(random)) {
    case 10:
    case 11:
        if (const auto open = own.find(" ("); open != std::string::npos) {
            if (const auto close = own.find(')', open); close != std::string::npos)
                return own.substr(0, open) + own.substr(close + 1);
        }
        return own;
    case 0:
    case 1:
        return own;
    case 2:
        return Unicode::toUpper(own);
    case 3:
        return Unicode::toLower(own);
    case 4:
        return Unicode::toNFD(own) == own ? Unicode::toNFC(own) : Unicode::toNFD(own);
    default:
        return randomName(random);
    }
}

RandomCase makeRandomCase(std::mt19937 &random, const fs::path &root, bool caseInsensitive)
{
    RandomCase result;
    const int folderCount = std::uniform_int_distribution<int>(1, 2)(random);
    const bool crowded = std::uniform_int_distribution<int>(0, 2)(random) == 0;
    std::vector<fs::path> candidates;
    for (int f = 0; f < folderCount; ++f) {
        const fs::path folder = root / (f == 0 ? "one" : "two");
        std::vector<std::string> names;
        const int wanted = std::uniform_int_distribution<int>(1, crowded ? 14 : 6)(random);
        for (int i = 0; i < wanted; ++i) {
            const std::string name = randomName(random);
            const bool clash = std::any_of(names.begin(), names.end(), [&](const std::string &other) {
                return caseInsensitive ? Unicode::equalIgnoringCase(other, name) : other == name;
            });
            if (!clash)
                names.push_back(name);
        }
        for (const std::string &name : names) {
            result.filesOnDisk.push_back(folder / name);
            candidates.push_back(folder / name);
        }
    }
    // Some files on disk stay out of the list, as if filtered out.
    std::shuffle(candidates.begin(), candidates.end(), random);
    candidates.resize(std::uniform_int_distribution<std::size_t>(1, candidates.size())(random));
    for (const fs::path &file : candidates) {
        const std::string own = file.filename().string();
        const std::string newName = randomNewName(random, own);
        result.provisional.push_back(
            RenamePlan { {}, FileLocation(file), FileLocation(file.parent_path() / newName), own, newName });
    }
    return result;
}

/// Whether the resolver and the plain loop agree on every plan, in order; ids apart, which must be fresh.
::testing::AssertionResult sameResolution(
    const std::vector<RenamePlan> &expected, const std::vector<RenamePlan> &actual)
{
    bool same = expected.size() == actual.size();
    std::unordered_set<Uuid> ids;
    std::ostringstream text;
    for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        same = same && expected[i].newName == actual[i].newName && expected[i].newURL == actual[i].newURL
            && expected[i].originalURL == actual[i].originalURL && expected[i].originalName == actual[i].originalName
            && actual[i].id != Uuid {} && ids.insert(actual[i].id).second;
        text << "\n  " << expected[i].originalURL.text() << " -> " << expected[i].newName << " | " << actual[i].newName;
    }
    return same ? ::testing::AssertionSuccess()
                : ::testing::AssertionFailure() << "plain loop | resolver:" << text.str();
}

// Thousands of random cases on a case-sensitive disk (real files) and on a case-insensitive volume (in memory);
// every fourth case pretends that folders cannot be read, where a case-only match counts as the file.
TEST(ConflictResolverTest, AgreesWithThePlainLoopOnRandomCases)
{
    TestDir dir;
    FileAccessService disk;
    for (const bool onDisk : { true, false }) {
        std::mt19937 random(onDisk ? 20240517 : 7031);
        int failures = 0;
        for (int index = 0; index < (onDisk ? 1000 : 3000) && failures < 3; ++index) {
            const fs::path root = onDisk ? dir.path() / ("case" + std::to_string(index)) : fs::path("/volume");
            const RandomCase randomCase = makeRandomCase(random, root, !onDisk);
            CaseInsensitiveVolume volume;
            for (const fs::path &file : randomCase.filesOnDisk) {
                if (onDisk)
                    dir.createFile(fs::relative(file, dir.path()).string());
                else
                    volume.addFile(file);
            }
            FileRenameFileSystem &fileSystem = onDisk ? static_cast<FileRenameFileSystem &>(disk) : volume;
            const CountingFileSystem reference(fileSystem, index % 4 != 0);
            const CountingFileSystem counted(fileSystem, index % 4 != 0);
            const auto verdict
                = sameResolution(resolveByPlainLoop(randomCase.provisional, reference, !onDisk && index % 4 != 0),
                    resolveConflicts(randomCase.provisional, counted));
            EXPECT_TRUE(verdict) << (onDisk ? "disk" : "volume") << " case " << index;
            // A folder's entries are read at most once per call, and there are at most two folders.
            EXPECT_LE(counted.folderReads(), 2U);
            failures += verdict ? 0 : 1;
            if (onDisk)
                fs::remove_all(root);
        }
    }
}

/// A folder, the names in it, the provisional renames (own name, new name) in list order, and the new names.
struct DirectedCase {
    const char *what;
    std::vector<std::string> onDisk;
    std::vector<std::pair<std::string, std::string>> renames;
    std::vector<std::string> expected;
    bool readable = true;
};

std::vector<RenamePlan> provisionalPlans(
    const fs::path &folder, const std::vector<std::pair<std::string, std::string>> &renames)
{
    std::vector<RenamePlan> plans;
    for (const auto &[own, newName] : renames)
        plans.push_back(RenamePlan { {}, FileLocation(folder / own), FileLocation(folder / newName), own, newName });
    return plans;
}

std::vector<std::string> newNames(const std::vector<RenamePlan> &plans)
{
    std::vector<std::string> names;
    for (const RenamePlan &plan : plans)
        names.push_back(plan.newName);
    return names;
}

TEST(ConflictResolverTest, SettlesDirectedCasesOnACaseSensitiveDisk)
{
    std::vector<std::string> tenCounted { "x.txt", "y.txt" };
    for (int counter = 1; counter <= 10; ++counter)
        tenCounted.push_back("x (" + std::to_string(counter) + ").txt");
    const std::vector<DirectedCase> cases {
        { "a file whose own name lies below where the counter search resumes takes it back",
            { "x.txt", "x (1).txt", "x (2).txt", "y.txt", "z.txt" },
            { { "y.txt", "x.txt" }, { "x (2).txt", "x.txt" }, { "z.txt", "x.txt" } },
            { "x (3).txt", "x (2).txt", "x (4).txt" } },
        { "a counter with a zero in it is taken back too", tenCounted,
            { { "y.txt", "x.txt" }, { "x (10).txt", "x.txt" } }, { "x (11).txt", "x (10).txt" } },
        { "a case-only change onto another file gets a counter", { "Photo.JPG", "photo.jpg" },
            { { "Photo.JPG", "photo.jpg" }, { "photo.jpg", "photo.jpg" } }, { "photo (1).jpg", "photo.jpg" } },
        { "when the folder cannot be read, a case-only match is taken for the file itself",
            { "Photo.JPG", "photo.jpg" }, { { "Photo.JPG", "photo.jpg" } }, { "photo.jpg" }, false },
        { "a case-only change with nothing in the way keeps the name", { "Photo.JPG" },
            { { "Photo.JPG", "photo.jpg" } }, { "photo.jpg" } },
        { "both Unicode spellings of one name are one name", { "one.txt", "two.txt" },
            { { "one.txt", eAcuteComposed + ".txt" }, { "two.txt", eAcuteDecomposed + ".txt" } },
            { eAcuteComposed + ".txt", eAcuteDecomposed + " (1).txt" } },
        { "the counter goes before the last extension only, whatever the strategy kept",
            { "report.final.pdf", "README", "a.txt", "b.txt" },
            { { "a.txt", "report.final.pdf" }, { "b.txt", "README" } }, { "report.final (1).pdf", "README (1)" } },
        { "a name that already carries a counter gets a second one", { "x (1).txt", "a.txt" },
            { { "a.txt", "x (1).txt" } }, { "x (1) (1).txt" } },
        { "names that split differently into stem and extension count apart, control characters and all",
            { "x\1.", "x.\1", "a", "b" }, { { "a", "x\1." }, { "b", "x.\1" } }, { "x\1. (1)", "x (1).\1" } },
    };
    FileAccessService disk;
    for (const DirectedCase &directed : cases) {
        SCOPED_TRACE(directed.what);
        TestDir dir;
        for (const std::string &name : directed.onDisk)
            dir.createFile(name);
        const CountingFileSystem fileSystem(disk, directed.readable);
        EXPECT_EQ(
            newNames(resolveConflicts(provisionalPlans(dir.path(), directed.renames), fileSystem)), directed.expected);
    }
}

TEST(ConflictResolverTest, SettlesItemsAtTheRoot)
{
    CaseInsensitiveVolume volume;
    for (const char *file : { "/x.txt", "/a.txt", "/b.txt" })
        volume.addFile(file);
    const auto plans = resolveConflicts(provisionalPlans("/", { { "a.txt", "x.txt" }, { "b.txt", "b.txt" } }), volume);
    ASSERT_EQ(plans.size(), 2U);
    EXPECT_EQ(plans[0].newURL, fs::path("/x (1).txt"));
    EXPECT_EQ(plans[1].newURL, fs::path("/b.txt"));
}

TEST(ConflictResolverTest, ReadsAFolderOnlyOnceAndOnlyForCaseOnlyMatches)
{
    TestDir dir;
    for (const char *name : { "A.txt", "a.txt", "B.txt", "b.txt", "c.txt" })
        dir.createFile(name);
    FileAccessService disk;
    CountingFileSystem counted(disk);
    const fs::path folder = dir.path();

    const auto plain = resolveConflicts(
        { RenamePlan { {}, FileLocation(folder / "c.txt"), FileLocation(folder / "d.txt"), "c.txt", "d.txt" } },
        counted);
    EXPECT_EQ(counted.folderReads(), 0U);

    const auto plans = resolveConflicts(
        { RenamePlan { {}, FileLocation(folder / "A.txt"), FileLocation(folder / "a.txt"), "A.txt", "a.txt" },
            RenamePlan { {}, FileLocation(folder / "B.txt"), FileLocation(folder / "b.txt"), "B.txt", "b.txt" } },
        counted);
    EXPECT_EQ(newNames(plans), (std::vector<std::string> { "a (1).txt", "b (1).txt" }));
    EXPECT_EQ(counted.folderReads(), 1U);
}

} // namespace
