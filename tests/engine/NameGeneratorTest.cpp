#include "NameGenerator.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

TimePoint utc(int year, unsigned month, unsigned day, int hour = 12, int minute = 0)
{
    return TimePoint(sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day))
        + hours(hour) + minutes(minute));
}

/// Sets TZ for the life of the object and restores the previous value afterwards.
class TimeZoneOverride final {
public:
    explicit TimeZoneOverride(const char *zone)
    {
        if (const char *previous = std::getenv("TZ"))
            m_previous = previous;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZoneOverride()
    {
        if (m_previous)
            ::setenv("TZ", m_previous->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TimeZoneOverride(const TimeZoneOverride &) = delete;
    TimeZoneOverride &operator=(const TimeZoneOverride &) = delete;

private:
    std::optional<std::string> m_previous;
};

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

const TimePoint defaultCreation = utc(2024, 5, 17);
const TimePoint defaultModification = utc(2023, 1, 2);

FileItem fileNamed(const std::string &name, TimePoint creation = defaultCreation,
    TimePoint modification = defaultModification)
{
    return FileItem::make(std::filesystem::path("/photos") / name,
        FileItem::ResourceValues { std::int64_t { 0 }, creation, modification }, creation, modification);
}

/// The names one planning pass gives `names` in list order, the counter starting at `sequenceStart`.
std::vector<std::string> generate(const RenameParameters &parameters, const std::vector<std::string> &names,
    FileMetadataProviding &metadata, std::int64_t *finalCounter = nullptr)
{
    NameGenerator generator(parameters, metadata);
    std::int64_t counter = parameters.sequenceStart;
    std::vector<std::string> result;
    for (const std::string &name : names)
        result.push_back(generator.newName(fileNamed(name), counter));
    if (finalCounter)
        *finalCounter = counter;
    return result;
}

std::vector<std::string> generate(const RenameParameters &parameters, const std::vector<std::string> &names)
{
    NoMetadataProvider metadata;
    return generate(parameters, names, metadata);
}

struct Case {
    const char *title;
    std::function<void(RenameParameters &)> configure;
    std::vector<std::string> names;
    std::vector<std::string> expected;
};

void runCases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        RenameParameters parameters;
        c.configure(parameters);
        EXPECT_EQ(generate(parameters, c.names), c.expected) << c.title;
    }
}

class NameGeneratorTest : public ::testing::Test {
protected:
    // Date names are written in the local zone; the examples are given in UTC.
    TimeZoneOverride m_zone { "UTC" };
};

TEST(NameGeneratorHelpersTest, SanitizingAndSplitting)
{
    EXPECT_EQ(sanitizeNameText("2024/05:"), "2024-05-");
    EXPECT_EQ(sanitizeNameText(std::string("a\0b/c:d", 7)), "ab-c-d");
    EXPECT_EQ(sanitizeNameText("Trip é"), "Trip é");

    const std::vector<std::tuple<std::string, bool, std::string, std::string>> table {
        { "IMG_0001.JPG", true, "IMG_0001", ".JPG" },
        { "archive.tar.gz", true, "archive.tar", ".gz" },
        { ".config.json", true, ".config", ".json" },
        { ".gitignore", true, ".gitignore", "" },
        { "README", true, "README", "" },
        { "notes.", true, "notes.", "" },
        { "IMG_0001.JPG", false, "IMG_0001.JPG", "" },
    };
    for (const auto &[name, keep, stem, extension] : table) {
        const NameParts parts = splitName(name, keep);
        EXPECT_EQ(parts.stem, stem) << name;
        EXPECT_EQ(parts.dottedExtension, extension) << name;
    }
}

TEST_F(NameGeneratorTest, WorkedExamples)
{
    runCases({
        { "prefix with a space", [](auto &p) { p.prefixText = "Trip "; }, { "IMG_0001.JPG" },
            { "Trip IMG_0001.JPG" } },
        { "prefix is sanitised", [](auto &p) { p.prefixText = "2024/05:"; }, { "IMG_0001.JPG" },
            { "2024-05-IMG_0001.JPG" } },
        { "suffix",
            [](auto &p) {
                p.strategy = RenameStrategy::suffix;
                p.suffixText = "-edit";
            },
            { "IMG_0001.JPG" }, { "IMG_0001-edit.JPG" } },
        { "plain replace is case-sensitive",
            [](auto &p) {
                p.strategy = RenameStrategy::replace;
                p.searchText = "IMG";
                p.replaceText = "Photo";
            },
            { "IMG_0001.JPG", "img_0002.jpg" }, { "Photo_0001.JPG", "img_0002.jpg" } },
        { "regular expression with a group",
            [](auto &p) {
                p.strategy = RenameStrategy::replace;
                p.useRegularExpression = true;
                p.searchText = "^IMG_(\\d+)$";
                p.replaceText = "Photo $1";
            },
            { "IMG_0001.JPG", "DSC_0002.JPG" }, { "Photo 0001.JPG", "DSC_0002.JPG" } },
        { "a replace that empties the stem changes nothing",
            [](auto &p) {
                p.strategy = RenameStrategy::replace;
                p.searchText = "IMG_0001";
            },
            { "IMG_0001.JPG" }, { "IMG_0001.JPG" } },
        { "prefix sequence", [](auto &p) { p.strategy = RenameStrategy::prefixSequence; }, { "b.txt", "a.txt" },
            { "001_b.txt", "002_a.txt" } },
        { "suffix sequence from 9, two digits",
            [](auto &p) {
                p.strategy = RenameStrategy::suffixSequence;
                p.sequenceStart = 9;
                p.sequencePadding = 2;
            },
            { "b.txt", "a.txt" }, { "b_09.txt", "a_10.txt" } },
        { "date before the stem",
            [](auto &p) {
                p.strategy = RenameStrategy::dateName;
                p.dateSource = DateSource::created;
                p.dateIncludeSequence = false;
            },
            { "IMG_0001.JPG" }, { "2024-05-17_IMG_0001.JPG" } },
        { "date after the stem",
            [](auto &p) {
                p.strategy = RenameStrategy::dateName;
                p.dateSource = DateSource::created;
                p.dateIncludeSequence = false;
                p.datePosition = DatePosition::suffix;
            },
            { "IMG_0001.JPG" }, { "IMG_0001_2024-05-17.JPG" } },
        { "date with sequence drops the stem",
            [](auto &p) {
                p.strategy = RenameStrategy::dateName;
                p.dateFormat = DateNameFormat::compact;
            },
            { "IMG_0001.JPG", "other.JPG" }, { "20240517_001.JPG", "20240517_002.JPG" } },
        { "uppercase keeps the extension", [](auto &p) { p.strategy = RenameStrategy::uppercase; },
            { "Holiday photo.jpeg", "archive.tar.gz" }, { "HOLIDAY PHOTO.jpeg", "ARCHIVE.TAR.gz" } },
        { "uppercase of the whole name",
            [](auto &p) {
                p.strategy = RenameStrategy::uppercase;
                p.preserveExtension = false;
            },
            { "Holiday photo.jpeg" }, { "HOLIDAY PHOTO.JPEG" } },
    });
}

TEST_F(NameGeneratorTest, ExtensionsSeparatorsAndCaseMapping)
{
    runCases({
        { "a leading dot is not an extension", [](auto &p) { p.prefixText = "x"; }, { ".gitignore", ".config.json" },
            { "x.gitignore", "x.config.json" } },
        { "a trailing dot is not an extension",
            [](auto &p) {
                p.strategy = RenameStrategy::suffix;
                p.suffixText = "_v2";
            },
            { "notes.", "README" }, { "notes._v2", "README_v2" } },
        { "lowercase keeps the extension's case", [](auto &p) { p.strategy = RenameStrategy::lowercase; },
            { "Photo.JPG", "ÉTÉ.TXT" }, { "photo.JPG", "été.TXT" } },
        { "full case mapping",
            [](auto &p) {
                p.strategy = RenameStrategy::uppercase;
                p.preserveExtension = false;
            },
            { "straße.txt" }, { "STRASSE.TXT" } },
        { "empty separator joins number and stem",
            [](auto &p) {
                p.strategy = RenameStrategy::prefixSequence;
                p.sequenceSeparator = "";
            },
            { "b.txt" }, { "001b.txt" } },
        { "separator is sanitised",
            [](auto &p) {
                p.strategy = RenameStrategy::suffixSequence;
                p.sequenceSeparator = std::string("/\0:", 3);
            },
            { "b.txt" }, { "b--001.txt" } },
        { "replacement text is sanitised",
            [](auto &p) {
                p.strategy = RenameStrategy::replace;
                p.searchText = "_";
                p.replaceText = "a/b";
            },
            { "IMG_0001.JPG" }, { "IMGa-b0001.JPG" } },
        { "ill-formed typed bytes become U+FFFD", [](auto &p) { p.prefixText = "\xff"; }, { "a.txt" },
            { "\xEF\xBF\xBD"
              "a.txt" } },
        { "a replacement that names the folder itself is unusable",
            [](auto &p) {
                p.strategy = RenameStrategy::replace;
                p.searchText = "abc";
                p.replaceText = "..";
                p.preserveExtension = false;
            },
            { "abc", "abc.txt" }, { "abc", "...txt" } },
    });
}

TEST_F(NameGeneratorTest, RegularExpressions)
{
    const auto regex = [](std::string search, std::string replacement) {
        return [search, replacement](RenameParameters &p) {
            p.strategy = RenameStrategy::replace;
            p.useRegularExpression = true;
            p.searchText = search;
            p.replaceText = replacement;
        };
    };
    runCases({
        { "whole match", regex("\\d+", "[$0]"), { "IMG_0001.JPG" }, { "IMG_[0001].JPG" } },
        { "every match is replaced", regex("[aeiou]", "#"), { "banana.txt" }, { "b#n#n#.txt" } },
        { "case-sensitive", regex("img", "X"), { "IMG_img.txt" }, { "IMG_X.txt" } },
        { "groups joined by a typed slash", regex("^(\\w+)_(\\w+)$", "$1/$2"), { "IMG_0001.JPG" },
            { "IMG-0001.JPG" } },
        { "backslash makes the next character literal", regex("_", "\\$1"), { "IMG_0001.JPG" },
            { "IMG$10001.JPG" } },
        { "an escaped slash becomes a dash", regex("_", "\\u002F"), { "IMG_0001.JPG" }, { "IMG-0001.JPG" } },
        { "an escaped NUL is removed", regex("_", "x\\u0000y"), { "IMG_0001.JPG" }, { "IMGxy0001.JPG" } },
        { "other characters of the name stay", regex("a", "A"), { "a:b.txt" }, { "A:b.txt" } },
        { "an invalid pattern changes nothing", regex("(", "x"), { "IMG_0001.JPG", "(.txt" },
            { "IMG_0001.JPG", "(.txt" } },
        { "a missing group changes nothing", regex("(IMG)", "$2"), { "IMG_0001.JPG" }, { "IMG_0001.JPG" } },
        { "an empty result changes nothing", regex(".*", ""), { "IMG_0001.JPG" }, { "IMG_0001.JPG" } },
        { "empty pattern changes nothing", regex("", "x"), { "IMG_0001.JPG" }, { "IMG_0001.JPG" } },
        { "anchors at the ends of the stem", regex("^a|a$", "_"), { "aba.a.txt" }, { "_ba._.txt" } },
    });
}

TEST_F(NameGeneratorTest, CatastrophicPatternLeavesTheNameAndTheNextNamesStillMatch)
{
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::replace;
    parameters.useRegularExpression = true;
    parameters.searchText = "(a+)+$";
    parameters.replaceText = "x";
    // Without a bound on the matcher this name would take longer than the age of the universe.
    const std::string runaway = std::string(200, 'a') + "b.txt";
    EXPECT_EQ(generate(parameters, { runaway, "aaa.txt", runaway, "baa.txt" }),
        (std::vector<std::string> { runaway, "x.txt", runaway, "bx.txt" }));
}

TEST_F(NameGeneratorTest, PlainReplaceMatchesCanonicallyEquivalentSpellings)
{
    const std::string precomposed = "caf\u00e9";
    const std::string decomposed = "cafe\u0301";
    const auto replace = [](std::string search, std::string replacement) {
        return [search, replacement](RenameParameters &p) {
            p.strategy = RenameStrategy::replace;
            p.searchText = search;
            p.replaceText = replacement;
        };
    };
    runCases({
        { "precomposed name, decomposed search", replace(decomposed, "tea"), { precomposed + ".txt" },
            { "tea.txt" } },
        { "decomposed name, precomposed search", replace(precomposed, "tea"), { decomposed + ".txt" },
            { "tea.txt" } },
        { "accent alone in the search", replace("\u00e9", "E"), { decomposed + "_" + precomposed + ".txt" },
            { "cafE_cafE.txt" } },
        { "a base letter does not match part of an accented letter", replace("e", "x"),
            { precomposed + "e.txt", decomposed + ".txt" }, { precomposed + "x.txt", precomposed + ".txt" } },
        { "untouched parts come out precomposed", replace("caf", "CAF"), { decomposed + ".txt" },
            { "CAF\u00e9.txt" } },
        { "non-overlapping, left to right", replace("aa", "b"), { "aaaaa.txt" }, { "bba.txt" } },
        { "search text is not sanitised", replace(":", "_"), { "a:b.txt" }, { "a_b.txt" } },
    });
    // Even a strategy that changes nothing stores the name precomposed.
    RenameParameters parameters;
    EXPECT_EQ(generate(parameters, { decomposed + ".txt" }), std::vector<std::string> { precomposed + ".txt" });
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
        EXPECT_EQ(generate(parameters, { "b.txt" }), std::vector<std::string> { number + "_b.txt" })
            << start << " padded to " << padding;
    }
}

TEST_F(NameGeneratorTest, CounterAdvancesOnlyForNumberedNamesAndWrapsAtTheTop)
{
    NoMetadataProvider metadata;
    const std::vector<std::string> names { "a.txt", "b.txt", "c.txt" };
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
        (void)generate(parameters, names, metadata, &counter);
        EXPECT_EQ(counter, expected) << rawValue(strategy) << " " << withSequence;
    }

    RenameParameters parameters;
    parameters.strategy = RenameStrategy::suffixSequence;
    parameters.sequenceStart = int64Max;
    parameters.sequencePadding = 1;
    std::int64_t counter = 0;
    EXPECT_EQ(generate(parameters, { "a.txt", "b.txt" }, metadata, &counter),
        (std::vector<std::string> { "a_9223372036854775807.txt", "b_-9223372036854775808.txt" }));
    EXPECT_EQ(counter, int64Min + 1);
}

TEST_F(NameGeneratorTest, DateNames)
{
    const auto dateName = [](DateNameFormat format, bool withSequence, DatePosition position) {
        return [=](RenameParameters &p) {
            p.strategy = RenameStrategy::dateName;
            p.dateSource = DateSource::created;
            p.dateFormat = format;
            p.dateIncludeSequence = withSequence;
            p.datePosition = position;
            p.sequenceSeparator = "~";
        };
    };
    runCases({
        { "underscored", dateName(DateNameFormat::underscored, false, DatePosition::prefix), { "a.txt" },
            { "2024_05_17~a.txt" } },
        { "year and month", dateName(DateNameFormat::yearMonth, false, DatePosition::suffix), { "a.txt" },
            { "a~2024-05.txt" } },
        { "position has no effect with a sequence", dateName(DateNameFormat::iso, true, DatePosition::suffix),
            { "a.txt", "b" }, { "2024-05-17~001.txt", "2024-05-17~002" } },
        { "whole name replaced without an extension",
            [&](RenameParameters &p) {
                dateName(DateNameFormat::compact, true, DatePosition::prefix)(p);
                p.preserveExtension = false;
            },
            { "a.txt" }, { "20240517~001" } },
    });
}

TEST_F(NameGeneratorTest, DateSourcesAndTheCaptureFallback)
{
    RecordingMetadata metadata;
    metadata.dates[std::filesystem::path("/photos/shot.jpg")] = utc(2020, 2, 29);
    const std::vector<std::tuple<DateSource, std::vector<std::string>, std::size_t>> table {
        { DateSource::capture, { "2020-02-29_shot.jpg", "2024-05-17_plain.jpg" }, 2 },
        { DateSource::created, { "2024-05-17_shot.jpg", "2024-05-17_plain.jpg" }, 0 },
        { DateSource::modified, { "2023-01-02_shot.jpg", "2023-01-02_plain.jpg" }, 0 },
    };
    for (const auto &[source, expected, calls] : table) {
        metadata.asked.clear();
        RenameParameters parameters;
        parameters.strategy = RenameStrategy::dateName;
        parameters.dateIncludeSequence = false;
        parameters.dateSource = source;
        EXPECT_EQ(generate(parameters, { "shot.jpg", "plain.jpg" }, metadata), expected) << rawValue(source);
        EXPECT_EQ(metadata.asked.size(), calls) << rawValue(source);
    }
    // The capture date is asked for by the file's location, once per file.
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::dateName;
    (void)generate(parameters, { "shot.jpg" }, metadata);
    EXPECT_EQ(metadata.asked, std::vector<std::filesystem::path> { "/photos/shot.jpg" });
    // Only date names read capture dates.
    metadata.asked.clear();
    parameters.strategy = RenameStrategy::prefixSequence;
    (void)generate(parameters, { "shot.jpg" }, metadata);
    EXPECT_TRUE(metadata.asked.empty());
}

TEST_F(NameGeneratorTest, DateNamesFromSeveralThreadsAgree)
{
    // Planning may run on more than one thread; the shared formatters must give every caller the same text.
    const std::vector<DateNameFormat> formats { DateNameFormat::iso, DateNameFormat::compact,
        DateNameFormat::underscored, DateNameFormat::yearMonth };
    const std::vector<std::string> expected { "2024-05-17_001.a", "20240517_001.a", "2024_05_17_001.a",
        "2024-05_001.a" };
    std::vector<std::vector<std::string>> results(8);
    constexpr int rounds = 50;
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&results, &formats, t] {
            NoMetadataProvider metadata;
            for (int round = 0; round < rounds; ++round) {
                RenameParameters parameters;
                parameters.strategy = RenameStrategy::dateName;
                parameters.dateFormat = formats[(t + static_cast<std::size_t>(round)) % formats.size()];
                results[t].push_back(generate(parameters, { "x.a" }, metadata).front());
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (std::size_t t = 0; t < results.size(); ++t) {
        ASSERT_EQ(results[t].size(), static_cast<std::size_t>(rounds));
        for (std::size_t round = 0; round < results[t].size(); ++round)
            EXPECT_EQ(results[t][round], expected[(t + round) % formats.size()]) << t << " " << round;
    }
}

TEST(NameGeneratorTimeZoneTest, TheDayIsTheLocalDay)
{
    RecordingMetadata metadata;
    metadata.dates[std::filesystem::path("/photos/late.jpg")] = utc(2024, 12, 31, 22, 30);
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::dateName;
    parameters.dateIncludeSequence = false;
    const std::vector<std::pair<const char *, std::string>> table {
        { "UTC", "2024-12-31_late.jpg" },
        { "Asia/Tokyo", "2025-01-01_late.jpg" },
        { "America/Los_Angeles", "2024-12-31_late.jpg" },
        { "Pacific/Kiritimati", "2025-01-01_late.jpg" },
        { "UTC", "2024-12-31_late.jpg" },
    };
    for (const auto &[zone, expected] : table) {
        TimeZoneOverride override(zone);
        EXPECT_EQ(generate(parameters, { "late.jpg" }, metadata), std::vector<std::string> { expected }) << zone;
    }
    TimeZoneOverride tokyo("Asia/Tokyo");
    parameters.dateFormat = DateNameFormat::yearMonth;
    EXPECT_EQ(generate(parameters, { "late.jpg" }, metadata), std::vector<std::string> { "2025-01_late.jpg" });
}

} // namespace
