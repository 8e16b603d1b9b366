#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CountingFileSystem.h"
#include "FatVolume.h"
#include "FileAccessService.h"
#include "FileRenameService.h"
#include "PhotoMetadataService.h"
#include "RenameBatchRunner.h"
#include "RenamePipeline.h"
#include "TestDir.h"
#include "TinyJpeg.h"

namespace {

namespace fs = std::filesystem;

RenameParameters settings(const char *json)
{
    return RenameParameters::fromJson(nlohmann::json::parse(json)).value();
}

const char *const oneLetterToX = R"({"strategy": "replace", "useRegularExpression": true, "searchText": "^.$",
    "replaceText": "x"})";
const char *const lowercaseWholeName = R"({"strategy": "lowercase", "preserveExtension": false})";

/// Records for files in `folder`, given by relative path, in list order.
std::vector<FileItem> itemsIn(const fs::path &folder, const std::vector<std::string> &relatives)
{
    std::vector<FileItem> items;
    for (const std::string &relative : relatives)
        items.push_back(FileItem::make(folder / relative));
    return items;
}

/// "old>new" for each plan, space-separated; also checks that each plan stays in its file's folder.
std::string renamesOf(const std::vector<FileItem> &items, const std::vector<RenamePlan> &plans)
{
    std::string renames;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        EXPECT_EQ(plans[i].originalURL, items.at(i).url);
        EXPECT_EQ(plans[i].newURL, items.at(i).url.parentPath() / plans[i].newName);
        renames += (i ? " " : "") + plans[i].originalName + ">" + plans[i].newName;
    }
    return renames;
}

class PlanningTest : public ::testing::Test {
protected:
    FileAccessService disk;
    PhotoMetadataService metadata;
    FileRenameService service { disk, metadata };
};

TEST_F(PlanningTest, ResolvesCollisionsWithFilesOnDiskAndWithinTheBatch)
{
    struct Case {
        const char *what;
        std::vector<std::string> onDisk;
        std::vector<std::string> listed;
        const char *settings;
        std::string expected;
    };
    const std::vector<Case> cases {
        { "three names mapped to one", { "a.txt", "b.txt", "c.txt" }, { "a.txt", "b.txt", "c.txt" }, oneLetterToX,
            "a.txt>x.txt b.txt>x (1).txt c.txt>x (2).txt" },
        { "a filtered-out file holds the plain name", { "a.txt", "b.txt", "c.txt", "x.txt" },
            { "a.txt", "b.txt", "c.txt" }, oneLetterToX, "a.txt>x (1).txt b.txt>x (2).txt c.txt>x (3).txt" },
        { "the list order decides who keeps the plain name", { "a.txt", "b.txt", "c.txt" },
            { "c.txt", "a.txt", "b.txt" }, oneLetterToX, "c.txt>x.txt a.txt>x (1).txt b.txt>x (2).txt" },
        { "an item found at the target is the file itself only when it is", { "IMG_1.jpg", "IMG-1.jpg" },
            { "IMG_1.jpg", "IMG-1.jpg" }, R"({"strategy": "replace", "searchText": "_", "replaceText": "-"})",
            "IMG_1.jpg>IMG-1 (1).jpg IMG-1.jpg>IMG-1.jpg" },
        { "a name is taken while its file is still there, even if it moves away in the batch", { "a.txt", "001_a.txt" },
            { "a.txt", "001_a.txt" }, R"({"strategy": "prefixSequence"})",
            "a.txt>001_a (1).txt 001_a.txt>002_001_a.txt" },
        { "the same name in two folders is no conflict", { "one/a.txt", "two/b.txt" }, { "one/a.txt", "two/b.txt" },
            oneLetterToX, "a.txt>x.txt b.txt>x.txt" },
        { "unchanged names stay unsuffixed", { "a.txt", "b.txt" }, { "a.txt", "b.txt" }, "{}",
            "a.txt>a.txt b.txt>b.txt" },
        { "an empty list", {}, {}, oneLetterToX, "" },
    };
    for (const Case &planning : cases) {
        SCOPED_TRACE(planning.what);
        TestDir dir;
        for (const std::string &relative : planning.onDisk)
            dir.createFile(relative);
        const auto items = itemsIn(dir.path(), planning.listed);
        EXPECT_EQ(renamesOf(items, service.generatePlans(items, settings(planning.settings))), planning.expected);
    }
}

TEST_F(PlanningTest, CaptureDateNamesReadDatesOnAllCoresAndMarkFilesThatFellBack)
{
    // Every third file a real JPEG with a capture date, the others without one; numbered in list order.
    TestDir dir;
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) {
        names.push_back("p" + std::to_string(100 + i) + ".jpg");
        writeJpeg(dir, names.back(),
            i % 3 ? JpegTags {}
                  : JpegTags { { "Exif.Photo.DateTimeOriginal", "2021:04:11 09:08:07" },
                      { "Exif.Photo.OffsetTimeOriginal", "+00:00" } });
    }
    const auto items = itemsIn(dir.path(), names);
    RenameParameters parameters = settings(R"({"strategy": "dateName", "dateFormat": "compact"})");
    for (const DateSource source : { DateSource::capture, DateSource::created }) {
        parameters.dateSource = source;
        const auto plans = service.generatePlans(items, parameters);
        ASSERT_EQ(plans.size(), items.size());
        for (std::size_t i = 0; i < plans.size(); ++i) {
            const bool dated = source == DateSource::capture && i % 3 == 0;
            EXPECT_EQ(plans[i].usedCreationDate, source == DateSource::capture && !dated) << i;
            char number[32];
            std::snprintf(number, sizeof number, "_%03zu.jpg", i + 1);
            EXPECT_EQ(plans[i].newName.substr(8), number) << i;
            if (dated) {
                EXPECT_EQ(plans[i].newName.substr(0, 8), "20210411") << i;
            }
        }
    }
}

TEST_F(PlanningTest, TenThousandFilesMappedToOneNameAreNumberedInListOrder)
{
    constexpr int fileCount = 10000;
    TestDir dir;
    std::vector<std::string> names;
    for (int i = 0; i < fileCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%05d.txt", i);
        names.emplace_back(dir.createFile(name).filename());
    }
    const auto items = itemsIn(dir.path(), names);
    CountingFileSystem counted(disk);
    FileRenameService countedService(counted, metadata);

    const auto plans = countedService.generatePlans(
        items, settings(R"({"strategy": "replace", "useRegularExpression": true, "searchText": "^.*$",
        "replaceText": "x"})"));
    ASSERT_EQ(plans.size(), items.size());
    EXPECT_EQ(plans[0].newName, "x.txt");
    for (int i = 1; i < fileCount; ++i)
        ASSERT_EQ(plans[i].newName, "x (" + std::to_string(i) + ").txt") << "file " << i;
    // The plain name and one counter per file: the count of questions, not a timing.
    EXPECT_LE(counted.existenceTests(), 2U * fileCount);
}

TEST_F(PlanningTest, OnACaseInsensitiveVolumeACaseOnlyChangeIsTheFileItself)
{
    std::string whyNot;
    const auto volume = FatVolume::mount(&whyNot);
    if (!volume)
        GTEST_SKIP() << "no FAT volume: " << whyNot;
    for (const char *name : { "Photo.JPG", "a.txt", "b.txt" })
        std::ofstream(volume->path() / name) << "x";

    const auto photo = itemsIn(volume->path(), { "Photo.JPG" });
    EXPECT_EQ(renamesOf(photo, service.generatePlans(photo, settings(lowercaseWholeName))), "Photo.JPG>photo.jpg");
    // Another file that differs from the target only in letter case still holds it.
    const auto other = itemsIn(volume->path(), { "b.txt" });
    EXPECT_EQ(renamesOf(other,
                  service.generatePlans(
                      other, settings(R"({"strategy": "replace", "useRegularExpression": true, "searchText": "^b$",
                          "replaceText": "A"})"))),
        "b.txt>A (1).txt");

    // Two new names that differ only in letter case are one name there: the second gets a counter, and the
    // apply keeps the preview's promise.
    for (const char *name : { "Trip1.txt", "trip2.txt" })
        std::ofstream(volume->path() / name) << "x";
    const auto trips = itemsIn(volume->path(), { "Trip1.txt", "trip2.txt" });
    const auto plans = service.generatePlans(trips,
        settings(R"({"strategy": "replace", "useRegularExpression": true, "searchText": "\\d", "replaceText": ""})"));
    EXPECT_EQ(renamesOf(trips, plans), "Trip1.txt>Trip.txt trip2.txt>trip (1).txt");
    const TestDir state;
    const RenameJournalStore store(state.path() / "Quorvane");
    const auto applied = RenameBatchRunner(store, metadata).apply(volume->path(), std::nullopt, plans);
    EXPECT_TRUE(applied.failures.empty() && !applied.error);
    EXPECT_EQ(applied.renamedCount, 2U);
}

} // namespace

TEST(RenamePipelineTest, TargetsAreDistinctUnlessTheyMeetAsStandardisedPathsInNfd)
{
    // "original>target" pairs, and whether the targets are distinct; a plan that keeps its name is skipped.
    const std::vector<std::pair<std::string, bool>> table {
        { "/d/a>/d/x /d/b>/d/y", true }, { "/d/a>/d/x /d/b>/d/x", false }, { "/d/a>/d/\u00e9 /d/b>/d/e\u0301", false },
        { "/d/a>/d/X /d/b>/d/x", true }, { "/d/a>/d/./x /d/b>/d/e/../x", false }, { "/d/x>/d/x /d/b>/d/x", true },
        { "/d/\u00e9>/d/e\u0301 /d/b>/d/\u00e9", true },
        { "/d/K>/d/\u212a /d/b>/d/\u212a", true }, // the Kelvin sign is canonically the ASCII letter
    };
    for (const auto &[pairs, distinct] : table) {
        std::vector<RenamePlan> plans;
        std::istringstream words(pairs);
        for (std::string pair; words >> pair;) {
            const fs::path from = pair.substr(0, pair.find('>'));
            const fs::path to = pair.substr(pair.find('>') + 1);
            plans.push_back(RenamePlan { {}, FileLocation(from), FileLocation(to), from.filename(), to.filename() });
        }
        EXPECT_EQ(RenamePipeline::targetsAreDistinct(plans), distinct) << pairs;
    }
}

// A worker whose request was superseded stops at the next progress report: the listing then fails with ECANCELED
// and the preview says it stopped, while a progress that lets it run sees counts up to the whole and changes
// nothing in the result.
TEST(RenamePipelineTest, ProgressCountsAndStopsListingAndPlanning)
{
    TestDir dir;
    const auto count = FileAccessService::progressStep + 3;
    for (std::int64_t i = 0; i < count; ++i)
        dir.createFile("f" + std::to_string(i) + ".txt");
    FileAccessService fileAccess;
    PhotoMetadataService metadata;
    FileRenameService service(fileAccess, metadata);
    const auto planner = RenamePipeline::plannerFor(service, settings(R"({"prefixText": "p_"})"));
    const std::vector<FileItem> files = RenamePipeline::listSorted(fileAccess, dir.path(), false)->files;

    for (const std::int64_t stopAt : { std::int64_t { 0 }, FileAccessService::progressStep, count + 1 }) {
        std::int64_t listedSeen = 0;
        std::int64_t plannedSeen = 0;
        const auto listing
            = RenamePipeline::listSorted(fileAccess, dir.path(), false, [&](std::int64_t done, std::int64_t) {
                  listedSeen = done;
                  return done < stopAt;
              });
        if (stopAt <= count) {
            ASSERT_FALSE(listing);
            EXPECT_EQ(listing.error().code, ECANCELED);
            EXPECT_EQ(listedSeen, FileAccessService::progressStep);
        } else {
            ASSERT_TRUE(listing);
            EXPECT_EQ(listedSeen, count);
        }
        const auto preview = RenamePipeline::plan(planner, files, [&](std::int64_t done, std::int64_t total) {
            EXPECT_EQ(total, count);
            plannedSeen = done;
            return done < stopAt;
        });
        EXPECT_EQ(preview.stopped, stopAt <= count);
        EXPECT_EQ(plannedSeen % FileRenameService::planningProgressStep, 0); // reported at whole steps only
        EXPECT_EQ(preview.plans.size(), static_cast<std::size_t>(stopAt <= count ? plannedSeen : count));
        if (!preview.stopped) {
            EXPECT_EQ(preview.plans[1].newName, "p_f1.txt");
            EXPECT_EQ(preview.changedCount, static_cast<std::size_t>(count));
            EXPECT_TRUE(preview.targetsDistinct);
        }
    }
}
