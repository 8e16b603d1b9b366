#include "PhotoMetadataService.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unicode/timezone.h>

#include "ScopedTimeZone.h"
#include "TestDates.h"
#include "TestDir.h"
#include "TinyJpeg.h"

namespace {

const char *const kOriginal = "Exif.Photo.DateTimeOriginal";
const char *const kDigitized = "Exif.Photo.DateTimeDigitized";
const char *const kOffset = "Exif.Photo.OffsetTimeOriginal";
const char *const kTiff = "Exif.Image.DateTime";

std::unique_ptr<icu::TimeZone> namedZone(const char *id)
{
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(id));
}

TEST(PhotoMetadataServiceTest, ReadsTheCaptureDateOfRealJpegs)
{
    struct Case {
        const char *label;
        JpegTags tags;
        const char *zone;
        std::optional<TimePoint> expected;
    };
    // How the tags are chosen and combined; the texts themselves are ParseExifDateText's rows.
    const std::vector<Case> cases = {
        { "original with offset +02:00", { { kOriginal, "2024:07:14 18:30:05" }, { kOffset, "+02:00" } },
            "America/New_York", utc(2024, 7, 14, 16, 30, 5) },
        { "original without offset, New York summer", { { kOriginal, "2024:07:14 18:30:05" } }, "America/New_York",
            utc(2024, 7, 14, 22, 30, 5) },
        { "digitized only, offset -05:30", { { kDigitized, "2024:07:14 18:30:05" }, { kOffset, "-05:30" } }, "UTC",
            utc(2024, 7, 15, 0, 0, 5) },
        { "digitized only, no offset", { { kDigitized, "2024:07:14 18:30:05" } }, "America/New_York",
            utc(2024, 7, 14, 22, 30, 5) },
        { "original wins over digitized",
            { { kOriginal, "2024:07:14 18:30:05" }, { kDigitized, "2020:01:01 00:00:00" } }, "UTC",
            utc(2024, 7, 14, 18, 30, 5) },
        { "dashed original falls back to digitized",
            { { kOriginal, "2024-07-14 18:30:05" }, { kDigitized, "2023:03:04 05:06:07" } }, "UTC",
            utc(2023, 3, 4, 5, 6, 7) },
        { "TIFF date in the current zone despite an EXIF offset",
            { { kTiff, "2024:07:14 18:30:05" }, { kOffset, "+02:00" } }, "America/New_York",
            utc(2024, 7, 14, 22, 30, 5) },
        { "impossible EXIF dates fall back to TIFF",
            { { kOriginal, "2024:02:30 10:00:00" }, { kTiff, "2024:01:15 08:00:00" } }, "America/New_York",
            utc(2024, 1, 15, 13, 0, 0) },
        { "offset +25:00 is ignored", { { kOriginal, "2024:07:14 18:30:05" }, { kOffset, "+25:00" } },
            "America/New_York", utc(2024, 7, 14, 22, 30, 5) },
        { "unparsable TIFF date", { { kTiff, "yesterday" } }, "UTC", std::nullopt },
        { "no EXIF at all", {}, "UTC", std::nullopt },
    };

    TestDir dir;
    int index = 0;
    for (const auto &c : cases) {
        const auto file = writeJpeg(dir, "photo" + std::to_string(index++) + ".jpg", c.tags);
        ScopedTimeZone zone(c.zone);
        PhotoMetadataService service;
        EXPECT_EQ(describe(service.captureDate(file)), describe(c.expected)) << c.label;
    }
}

TEST(PhotoMetadataServiceTest, NonImagesGiveNoneAndTheAnswerIsCached)
{
    TestDir dir;
    const auto text = dir.createFile("notes.jpg", "just some text\n");
    const auto empty = dir.createFile("empty.jpg", "");
    const auto folder = dir.createDir("folder.jpg");
    const auto missing = dir.path() / "missing.jpg";
    const auto fifo = dir.path() / "pipe.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A dated JPEG cut inside its EXIF segment.
    const auto dated = writeJpeg(dir, "dated.jpg", { { kOriginal, "2024:07:14 18:30:05" } });
    const auto truncated = dir.createFile("truncated.jpg", dir.read("dated.jpg").substr(0, 40));

    const JpegTags photoTags = { { kOriginal, "2021:05:06 07:08:09" } };
    const auto photoDate = utc(2021, 5, 6, 7, 8, 9);
    ScopedTimeZone zone("UTC");
    PhotoMetadataService service;
    const std::vector<std::filesystem::path> paths = { text, empty, folder, missing, fifo, truncated };
    for (const auto &path : paths)
        EXPECT_EQ(describe(service.captureDate(path)), "none") << path;

    // Put a dated photo at every one of those paths: the service keeps answering from its cache.
    for (const auto &path : paths) {
        std::filesystem::remove_all(path);
        writeJpeg(dir, path.filename().string(), photoTags);
    }
    PhotoMetadataService fresh;
    for (const auto &path : paths) {
        EXPECT_EQ(describe(service.captureDate(path)), "none") << path;
        EXPECT_EQ(describe(fresh.captureDate(path)), describe(photoDate)) << path;
    }
}

TEST(PhotoMetadataServiceTest, ItemMovedCarriesTheAnswerWithTheFile)
{
    TestDir dir;
    const auto a = writeJpeg(dir, "A.jpg", { { kOriginal, "2011:01:01 01:01:01" } });
    const auto b = writeJpeg(dir, "B.jpg", { { kOriginal, "2022:02:02 02:02:02" } });
    const auto c = writeJpeg(dir, "C.jpg", { { kOriginal, "2033:03:03 03:03:03" } });
    const auto x = dir.path() / "X.jpg";
    ScopedTimeZone zone("UTC");
    PhotoMetadataService service;
    ASSERT_EQ(describe(service.captureDate(a)), "2011-01-01 01:01:01Z");
    ASSERT_EQ(describe(service.captureDate(b)), "2022-02-02 02:02:02Z");

    // Rename A to X, then B to A, as a batch does.
    std::filesystem::rename(a, x);
    service.itemMoved(FileLocation(a), FileLocation(x));
    std::filesystem::rename(b, a);
    service.itemMoved(FileLocation(b), FileLocation(a));

    // Edit both files in place: answers that were moved, not read again, keep the old dates.
    setJpegTags(a, { { kOriginal, "2033:03:03 03:03:03" } });
    setJpegTags(x, { { kOriginal, "2044:04:04 04:04:04" } });
    EXPECT_EQ(describe(service.captureDate(a)), "2022-02-02 02:02:02Z");
    EXPECT_EQ(describe(service.captureDate(x)), "2011-01-01 01:01:01Z");
    // Other spellings of a location share its entry; a new service reads the files again.
    EXPECT_EQ(describe(service.captureDate(dir.path() / "." / "X.jpg")), "2011-01-01 01:01:01Z");
    EXPECT_EQ(describe(PhotoMetadataService().captureDate(x)), "2044-04-04 04:04:04Z");
    // B's entry went with the file; the path is read again and now holds nothing.
    EXPECT_EQ(describe(service.captureDate(b)), "none");

    // X's file goes away behind the program's back; a never-asked-about file is renamed onto it, and the stale
    // answer goes. A "move" onto another spelling of the same path keeps what is known.
    std::filesystem::remove(x);
    std::filesystem::rename(c, x);
    service.itemMoved(FileLocation(c), FileLocation(x));
    EXPECT_EQ(describe(service.captureDate(x)), "2033-03-03 03:03:03Z");
    setJpegTags(x, { { kOriginal, "2044:04:04 04:04:04" } });
    service.itemMoved(FileLocation(x), FileLocation(dir.path() / "." / "X.jpg"));
    EXPECT_EQ(describe(service.captureDate(x)), "2033-03-03 03:03:03Z");
}

TEST(PhotoMetadataServiceTest, TimeZoneFromExifOffset)
{
    struct Case {
        const char *text;
        std::optional<std::int32_t> seconds;
    };
    const Case cases[] = {
        { "+09:00", 9 * 3600 },
        { "-05:30", -(5 * 3600 + 30 * 60) },
        { "+00:00", 0 },
        { "-00:00", 0 },
        { "+23:59", 23 * 3600 + 59 * 60 },
        { " +02:00\t", 2 * 3600 },
        { "+02-00", 2 * 3600 }, // the separator is not examined
        { "+0900", std::nullopt },
        { "+25:00", std::nullopt },
        { "+09:60", 10 * 3600 }, // the minutes are added, not range-checked
        { "+24:00", std::nullopt },
        { "x02:00", std::nullopt },
        { "+0a:00", std::nullopt },
        { "+0/:00", std::nullopt }, // a sign's neighbour in ASCII is no digit either
        { "+-1:00", std::nullopt },
        { "+02:00:00", std::nullopt },
        { "+02:00\n", std::nullopt }, // only spaces and tabs are trimmed
        { "", std::nullopt },
        { "   ", std::nullopt },
    };
    for (const auto &c : cases)
        EXPECT_EQ(PhotoMetadataService::timeZoneFromExifOffset(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(PhotoMetadataServiceTest, ParseExifDateText)
{
    const auto plusTwo = PhotoMetadataService::fixedOffsetZone(2 * 3600);
    const auto newYork = namedZone("America/New_York");
    ASSERT_TRUE(plusTwo);
    struct Case {
        const char *text;
        const icu::TimeZone *zone;
        std::optional<TimePoint> expected;
    };
    const Case cases[] = {
        { "2024:07:14 18:30:05", plusTwo.get(), utc(2024, 7, 14, 16, 30, 5) },
        { "2024:07:14 18:30:05", newYork.get(), utc(2024, 7, 14, 22, 30, 5) },
        { "2024:12:14 18:30:05", newYork.get(), utc(2024, 12, 14, 23, 30, 5) },
        { "  2024:07:14 18:30:05\r\n", plusTwo.get(), utc(2024, 7, 14, 16, 30, 5) },
        { "2024:07:14 18:30:05.123", plusTwo.get(), utc(2024, 7, 14, 16, 30, 5) },
        { "2024:07:14 18:30:05+09:00", plusTwo.get(), utc(2024, 7, 14, 16, 30, 5) }, // zone text is dropped too
        { "2024:02:29 12:00:00", plusTwo.get(), utc(2024, 2, 29, 10, 0, 0) },
        { "2024-07-14 18:30:05", plusTwo.get(), std::nullopt },
        { "2024:02:30 10:00:00", plusTwo.get(), std::nullopt },
        { "2023:02:29 10:00:00", plusTwo.get(), std::nullopt },
        { "2024:13:01 10:00:00", plusTwo.get(), std::nullopt },
        { "2024:07:14 24:00:00", plusTwo.get(), std::nullopt },
        { "2024:07:14 18:60:00", plusTwo.get(), std::nullopt },
        { "2024:07:14T18:30:05", plusTwo.get(), std::nullopt },
        { "2024:07:14  18:30:05", plusTwo.get(), std::nullopt },
        { "2024:7:14 18:30:05", plusTwo.get(), std::nullopt },
        { "2024:07:14 18:30", plusTwo.get(), std::nullopt },
        { "0000:00:00 00:00:00", plusTwo.get(), std::nullopt },
        // Far dates are kept (a nanosecond clock would overflow outside 1678 to 2262); ICU's calendar is Julian
        // before 1582, in parsing as in naming.
        { "3000:01:02 03:04:05", plusTwo.get(), utc(3000, 1, 2, 1, 4, 5) },
        { "9999:12:31 23:59:59", plusTwo.get(), utc(9999, 12, 31, 21, 59, 59) },
        { "1021:04:18 10:00:00", plusTwo.get(), utc(1021, 4, 24, 8, 0, 0) },
        { "0001:01:01 00:00:00", plusTwo.get(), std::nullopt }, // before year 1 in UTC
        { "２０２４:07:14 18:30:05", plusTwo.get(), std::nullopt }, // full-width digits
        { "", plusTwo.get(), std::nullopt },
        { " \n\t", plusTwo.get(), std::nullopt },
    };
    for (const auto &c : cases)
        EXPECT_EQ(describe(PhotoMetadataService::parseExifDateText(c.text, *c.zone)), describe(c.expected))
            << '"' << c.text << '"';
}

TEST(PhotoMetadataServiceTest, ThreadsAskingForTheSameFilesGetTheSameAnswers)
{
    TestDir dir;
    ScopedTimeZone zone("UTC");
    const std::vector<std::pair<std::filesystem::path, std::string>> files = {
        { writeJpeg(dir, "a.jpg", { { kOriginal, "2024:07:14 18:30:05" }, { kOffset, "+02:00" } }),
            "2024-07-14 16:30:05Z" },
        { writeJpeg(dir, "b.jpg", { { kDigitized, "2019:11:12 13:14:15" }, { kOffset, "-03:00" } }),
            "2019-11-12 16:14:15Z" },
        { writeJpeg(dir, "c.jpg", { { kTiff, "2001:02:03 04:05:06" } }), "2001-02-03 04:05:06Z" },
        { writeJpeg(dir, "d.jpg", {}), "none" },
        { dir.createFile("e.txt", "text"), "none" },
        { dir.path() / "missing.jpg", "none" },
    };
    PhotoMetadataService service;
    constexpr int kThreads = 8;
    std::vector<std::vector<std::string>> answers(kThreads);
    std::vector<std::vector<std::string>> parsed(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                for (std::size_t i = 0; i < files.size(); ++i)
                    answers[t].push_back(describe(service.captureDate(files[(i + t) % files.size()].first)));
                // Each thread parses in its own zone and one zone shared by all, making formatters concurrently.
                const auto own = PhotoMetadataService::fixedOffsetZone(t * 3600);
                const auto common = PhotoMetadataService::fixedOffsetZone(-3600);
                parsed[t].push_back(describe(PhotoMetadataService::parseExifDateText("2024:07:14 18:30:05", *own)));
                parsed[t].push_back(describe(PhotoMetadataService::parseExifDateText("2024:07:14 18:30:05", *common)));
            }
        });
    }
    for (auto &thread : threads)
        thread.join();

    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(answers[t].size(), 20 * files.size());
        for (std::size_t k = 0; k < answers[t].size(); ++k)
            EXPECT_EQ(answers[t][k], files[(k % files.size() + t) % files.size()].second) << "thread " << t;
        const std::string own = describe(utc(2024, 7, 14, 18 - t, 30, 5));
        for (std::size_t k = 0; k < parsed[t].size(); ++k)
            EXPECT_EQ(parsed[t][k], k % 2 == 0 ? own : "2024-07-14 19:30:05Z") << "thread " << t;
    }
}

} // namespace
