#include "NameGenerator.h"

#include <chrono>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ScopedTimeZone.h"
#include "TestDates.h"

namespace {

using namespace std::chrono;

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

/// Capture dates the machine cannot give without real photos: a chosen date per path, with a record of
/// every path asked about.
class RecordingMetadata final : public FileMetadataProviding {
public:
    std::optional<TimePoint> captureDate(const std::filesystem::path &location) override
    {
        asked.push_back(location);
        const auto it = dates.find(location);
        return it == dates.end() ? std::nullopt : std::optional<TimePoint>(it->second);
    }

    std::map<std::filesystem::path, TimePoint> dates;
    std::vector<std::filesystem::path> asked;
};

/// Settings from their JSON form, as presets store them.
RenameParameters settings(const std::string &json)
{
    return RenameParameters::fromJson(nlohmann::json::parse(json)).value();
}

/// The names one planning pass gives the "|"-separated `names` (created 2024-05-17, modified 2023-01-02, in
/// /photos), joined by "|"; `finalCounter` receives the counter after the last file.
std::string generate(const RenameParameters &parameters, const std::string &names, FileMetadataProviding &metadata,
    std::int64_t *finalCounter = nullptr)
{
    NameGenerator generator(parameters, metadata);
    std::int64_t counter = parameters.sequenceStart;
    std::string result;
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find('|', start), names.size());
        const FileItem file = FileItem::make(std::filesystem::path("/photos") / names.substr(start, end - start),
            FileItem::ResourceValues { std::int64_t { 0 }, utc(2024, 5, 17), utc(2023, 1, 2) });
        result += (start == 0 ? "" : "|") + generator.newName(file, counter);
        start = end + 1;
    }
    if (finalCounter)
        *finalCounter = counter;
    return result;
}

std::string generate(const RenameParameters &parameters, const std::string &names)
{
    NoMetadataProvider metadata;
    return generate(parameters, names, metadata);
}

class NameGeneratorTest : public ::testing::Test {
protected:
    // Date names are written in the local zone; the examples are given in UTC.
    ScopedTimeZone m_zone { "UTC" };
};

TEST_F(NameGeneratorTest, Strategies)
{
    const std::string nfc = "caf\u00e9";
    const std::string nfd = "cafe\u0301";
    // Settings (JSON), the names of one pass, and the names they get.
    const std::vector<std::tuple<std::string, std::string, std::string>> table {
        { R"({"prefixText": "Trip "})", "IMG_0001.JPG", "Trip IMG_0001.JPG" },
        { R"({"prefixText": "2024/05:"})", "IMG_0001.JPG", "2024-05-IMG_0001.JPG" },
        { R"({"prefixText": "x"})", ".gitignore|.config.json", "x.gitignore|x.config.json" },
        { R"({"strategy": "suffix", "suffixText": "-edit"})", "IMG_0001.JPG", "IMG_0001-edit.JPG" },
        { R"({"strategy": "suffix", "suffixText": "_v2"})", "notes.|README", "notes._v2|README_v2" },
        { R"({"strategy": "replace", "searchText": "IMG", "replaceText": "Photo"})", "IMG_0001.JPG|img_0002.jpg",
            "Photo_0001.JPG|img_0002.jpg" },
        // A replace that empties the stem, or names the folder itself, changes nothing.
        { R"({"strategy": "replace", "searchText": "IMG_0001"})", "IMG_0001.JPG", "IMG_0001.JPG" },
        { R"({"strategy": "replace", "searchText": "abc", "replaceText": "..", "preserveExtension": false})",
            "abc|abc.txt", "abc|...txt" },
        { R"({"strategy": "replace", "searchText": "_", "replaceText": "a/b"})", "IMG_0001.JPG", "IMGa-b0001.JPG" },
        { R"({"strategy": "replace", "searchText": "aa", "replaceText": "b"})", "aaaaa.txt", "bba.txt" },
        { R"({"strategy": "replace", "searchText": ":", "replaceText": "_"})", "a:b.txt", "a_b.txt" },
        // Plain search matches canonically equivalent spellings, never part of an accented letter.
        { R"({"strategy": "replace", "searchText": "cafe\u0301", "replaceText": "tea"})", nfc + ".txt", "tea.txt" },
        { R"({"strategy": "replace", "searchText": "caf\u00e9", "replaceText": "tea"})", nfd + ".txt", "tea.txt" },
        { R"({"strategy": "replace", "searchText": "\u00e9", "replaceText": "E"})", nfd + "_" + nfc + ".txt",
            "cafE_cafE.txt" },
        { R"({"strategy": "replace", "searchText": "e", "replaceText": "x"})", nfc + "e.txt|" + nfd + ".txt",
            nfc + "x.txt|" + nfc + ".txt" },
        { R"({"strategy": "replace", "searchText": "caf", "replaceText": "CAF"})", nfd + ".txt", "CAF\u00e9.txt" },
        { "{}", nfd + ".txt", nfc + ".txt" },
        { R"({"strategy": "prefixSequence"})", "b.txt|a.txt", "001_b.txt|002_a.txt" },
        { R"({"strategy": "prefixSequence", "sequenceSeparator": ""})", "b.txt", "001b.txt" },
        { R"({"strategy": "suffixSequence", "sequenceStart": 9, "sequencePadding": 2})", "b.txt|a.txt",
            "b_09.txt|a_10.txt" },
        { R"({"strategy": "suffixSequence", "sequenceSeparator": "/\u0000:"})", "b.txt", "b--001.txt" },
        { R"({"strategy": "uppercase"})", "Holiday photo.jpeg|archive.tar.gz", "HOLIDAY PHOTO.jpeg|ARCHIVE.TAR.gz" },
        { R"({"strategy": "uppercase", "preserveExtension": false})", "Holiday photo.jpeg|straße.txt",
            "HOLIDAY PHOTO.JPEG|STRASSE.TXT" },
        { R"({"strategy": "lowercase"})", "Photo.JPG|ÉTÉ.TXT", "photo.JPG|été.TXT" },
        // Date names; without metadata the capture date falls back to the creation date.
        { R"({"strategy": "dateName", "dateSource": "created", "dateIncludeSequence": false})", "IMG_0001.JPG",
            "2024-05-17_IMG_0001.JPG" },
        { R"({"strategy": "dateName", "dateIncludeSequence": false, "datePosition": "suffix"})", "IMG_0001.JPG",
            "IMG_0001_2024-05-17.JPG" },
        { R"({"strategy": "dateName", "dateFormat": "compact"})", "IMG_0001.JPG|other.JPG",
            "20240517_001.JPG|20240517_002.JPG" },
        { R"({"strategy": "dateName", "dateFormat": "underscored", "dateIncludeSequence": false,
              "sequenceSeparator": "~"})",
            "a.txt", "2024_05_17~a.txt" },
        { R"({"strategy": "dateName", "dateFormat": "yearMonth", "dateIncludeSequence": false,
              "datePosition": "suffix", "sequenceSeparator": "~"})",
            "a.txt", "a~2024-05.txt" },
        // With a sequence the position has no effect; without an extension the whole name is replaced.
        { R"({"strategy": "dateName", "datePosition": "suffix", "sequenceSeparator": "~"})", "a.txt|b",
            "2024-05-17~001.txt|2024-05-17~002" },
        { R"({"strategy": "dateName", "dateFormat": "compact", "preserveExtension": false})", "a.txt", "20240517_001" },
        { R"({"strategy": "dateName", "dateSource": "modified", "dateIncludeSequence": false})", "a.txt",
            "2023-01-02_a.txt" },
    };
    for (const auto &[json, names, expected] : table)
        EXPECT_EQ(generate(settings(json), names), expected) << json << " on " << names;

    // Ill-formed typed bytes become U+FFFD.
    RenameParameters parameters;
    parameters.prefixText = "\xff";
    EXPECT_EQ(generate(parameters, "a.txt"),
        "\xEF\xBF\xBD"
        "a.txt");
}

TEST_F(NameGeneratorTest, RegularExpressions)
{
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> table {
        { "^IMG_(\\d+)$", "Photo $1", "IMG_0001.JPG|DSC_0002.JPG", "Photo 0001.JPG|DSC_0002.JPG" },
        { "\\d+", "[$0]", "IMG_0001.JPG", "IMG_[0001].JPG" },
        { "[aeiou]", "#", "banana.txt", "b#n#n#.txt" },
        { "img", "X", "IMG_img.txt", "IMG_X.txt" },
        { "^(\\w+)_(\\w+)$", "$1/$2", "IMG_0001.JPG", "IMG-0001.JPG" },
        { "_", "\\$1", "IMG_0001.JPG", "IMG$10001.JPG" },
        { "_", "\\u002F", "IMG_0001.JPG", "IMG-0001.JPG" },
        { "_", "x\\u0000y", "IMG_0001.JPG", "IMGxy0001.JPG" },
        { "_", "\\u000A\\u001B[2J\\u000D\\u007F\\u0009-", "IMG_0001.JPG", "IMG[2J-0001.JPG" },
        { "a", "A", "a:b.txt", "A:b.txt" },
        { "^a|a$", "_", "aba.a.txt", "_ba._.txt" },
        // An invalid pattern, a missing group, an empty result or an empty pattern change nothing.
        { "(", "x", "IMG_0001.JPG|(.txt", "IMG_0001.JPG|(.txt" },
        { "(IMG)", "$2", "IMG_0001.JPG", "IMG_0001.JPG" },
        { ".*", "", "IMG_0001.JPG", "IMG_0001.JPG" },
        { "", "x", "IMG_0001.JPG", "IMG_0001.JPG" },
    };
    for (const auto &[pattern, replacement, names, expected] : table) {
        RenameParameters parameters;
        parameters.strategy = RenameStrategy::replace;
        parameters.useRegularExpression = true;
        parameters.searchText = pattern;
        parameters.replaceText = replacement;
        EXPECT_EQ(generate(parameters, names), expected) << pattern << " -> " << replacement;
    }

    // Without a bound on the matcher this name would take longer than the age of the universe; the next names
    // are still matched.
    RenameParameters parameters = settings(R"({"strategy": "replace", "useRegularExpression": true,
        "searchText": "(a+)+$", "replaceText": "x"})");
    const std::string runaway = std::string(200, 'a') + "b.txt";
    EXPECT_EQ(
        generate(parameters, runaway + "|aaa.txt|" + runaway + "|baa.txt"), runaway + "|x.txt|" + runaway + "|bx.txt");
}

TEST_F(NameGeneratorTest, SequenceNumbersAndPadding)
{
    const std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> table {
        { 7, 3, "007" },
        { 1234, 3, "1234" },
        { -5, 3, "-05" },
        { -5, 1, "-5" },
        { 0, 2, "00" },
        { 7, 0, "7" },
        { 7, -4, "7" },
        { -5, int64Min, "-5" },
        { int64Min, 3, "-9223372036854775808" },
        { 7, 255, std::string(254, '0') + "7" },
        { 7, int64Max, std::string(254, '0') + "7" },
    };
    for (const auto &[start, padding, number] : table) {
        RenameParameters parameters;
        parameters.strategy = RenameStrategy::prefixSequence;
        parameters.sequenceStart = start;
        parameters.sequencePadding = padding;
        EXPECT_EQ(generate(parameters, "b.txt"), number + "_b.txt") << start << " padded to " << padding;
    }
}

TEST_F(NameGeneratorTest, CounterAdvancesOnlyForNumberedNamesAndWrapsAtTheTop)
{
    NoMetadataProvider metadata;
    const std::vector<std::tuple<RenameStrategy, bool, std::int64_t>> table {
        { RenameStrategy::prefix, true, 10 },
        { RenameStrategy::replace, true, 10 },
        { RenameStrategy::uppercase, true, 10 },
        { RenameStrategy::prefixSequence, true, 13 },
        { RenameStrategy::suffixSequence, true, 13 },
        { RenameStrategy::dateName, true, 13 },
        { RenameStrategy::dateName, false, 10 },
    };
    for (const auto &[strategy, withSequence, expected] : table) {
        RenameParameters parameters;
        parameters.strategy = strategy;
        parameters.dateIncludeSequence = withSequence;
        parameters.sequenceStart = 10;
        std::int64_t counter = 0;
        (void)generate(parameters, "a.txt|b.txt|c.txt", metadata, &counter);
        EXPECT_EQ(counter, expected) << rawValue(strategy) << " " << withSequence;
    }

    RenameParameters parameters = settings(R"({"strategy": "suffixSequence", "sequencePadding": 1})");
    parameters.sequenceStart = int64Max;
    std::int64_t counter = 0;
    EXPECT_EQ(generate(parameters, "a.txt|b.txt", metadata, &counter),
        "a_9223372036854775807.txt|b_-9223372036854775808.txt");
    EXPECT_EQ(counter, int64Min + 1);
}

TEST_F(NameGeneratorTest, CaptureDatesAreAskedOnlyByDateNamesOncePerFile)
{
    RecordingMetadata metadata;
    metadata.dates[std::filesystem::path("/photos/shot.jpg")] = utc(2020, 2, 29);
    const std::vector<std::tuple<std::string, std::string, std::size_t>> table {
        { R"({"strategy": "dateName", "dateIncludeSequence": false})", "2020-02-29_shot.jpg|2024-05-17_plain.jpg", 2 },
        { R"({"strategy": "dateName", "dateIncludeSequence": false, "dateSource": "created"})",
            "2024-05-17_shot.jpg|2024-05-17_plain.jpg", 0 },
        { R"({"strategy": "dateName", "dateIncludeSequence": false, "dateSource": "modified"})",
            "2023-01-02_shot.jpg|2023-01-02_plain.jpg", 0 },
        { R"({"strategy": "prefixSequence"})", "001_shot.jpg|002_plain.jpg", 0 },
    };
    for (const auto &[json, expected, calls] : table) {
        metadata.asked.clear();
        EXPECT_EQ(generate(settings(json), "shot.jpg|plain.jpg", metadata), expected) << json;
        EXPECT_EQ(metadata.asked.size(), calls) << json;
    }
    (void)generate(settings(R"({"strategy": "dateName"})"), "shot.jpg", metadata);
    EXPECT_EQ(metadata.asked, std::vector<std::filesystem::path> { "/photos/shot.jpg" });
}

TEST_F(NameGeneratorTest, DatesFarFromNowAreWrittenAsTheyAre)
{
    // Outside 1678 to 2262 a count of nanoseconds overflows; these must keep their years.
    RecordingMetadata metadata;
    metadata.dates[std::filesystem::path("/photos/far.jpg")] = utc(3000, 1, 24);
    const FileItem file = FileItem::make(
        "/photos/far.jpg", FileItem::ResourceValues { std::int64_t { 0 }, utc(1700, 4, 18), utc(2300, 11, 11) });
    for (const auto &[source, expected] :
        std::vector<std::pair<std::string, std::string>> { { "capture", "3000-01-24_far.jpg" },
            { "created", "1700-04-18_far.jpg" }, { "modified", "2300-11-11_far.jpg" } }) {
        NameGenerator generator(
            settings(R"({"strategy": "dateName", "dateIncludeSequence": false, "dateSource": ")" + source + "\"}"),
            metadata);
        std::int64_t counter = 0;
        EXPECT_EQ(generator.newName(file, counter), expected) << source;
    }
}

TEST_F(NameGeneratorTest, DateNamesFromSeveralThreadsAgree)
{
    // Planning may run on more than one thread; the shared formatters must give every caller the same text.
    const std::vector<std::pair<DateNameFormat, std::string>> formats { { DateNameFormat::iso, "2024-05-17_001.a" },
        { DateNameFormat::compact, "20240517_001.a" }, { DateNameFormat::underscored, "2024_05_17_001.a" },
        { DateNameFormat::yearMonth, "2024-05_001.a" } };
    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&mismatches, &formats, t] {
            NoMetadataProvider metadata;
            for (std::size_t round = 0; round < 50; ++round) {
                const auto &[format, expected] = formats[(t + round) % formats.size()];
                RenameParameters parameters;
                parameters.strategy = RenameStrategy::dateName;
                parameters.dateFormat = format;
                mismatches[t] += generate(parameters, "x.a", metadata) != expected;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(8, 0));
}

TEST(NameGeneratorTimeZoneTest, TheDayIsTheLocalDay)
{
    RecordingMetadata metadata;
    metadata.dates[std::filesystem::path("/photos/late.jpg")] = utc(2024, 12, 31, 22, 30);
    RenameParameters parameters = settings(R"({"strategy": "dateName", "dateIncludeSequence": false})");
    const std::vector<std::pair<const char *, std::string>> table {
        { "UTC", "2024-12-31_late.jpg" },
        { "Asia/Tokyo", "2025-01-01_late.jpg" },
        { "America/Los_Angeles", "2024-12-31_late.jpg" },
        { "Pacific/Kiritimati", "2025-01-01_late.jpg" },
        { "UTC", "2024-12-31_late.jpg" },
    };
    for (const auto &[zone, expected] : table) {
        ScopedTimeZone override(zone);
        EXPECT_EQ(generate(parameters, "late.jpg", metadata), expected) << zone;
    }
    ScopedTimeZone tokyo("Asia/Tokyo");
    parameters.dateFormat = DateNameFormat::yearMonth;
    EXPECT_EQ(generate(parameters, "late.jpg", metadata), "2025-01_late.jpg");
}

} // namespace
