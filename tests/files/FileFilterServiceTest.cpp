#include "FileFilterService.h"

#include <limits>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

FileItem item(const std::string &name, std::int64_t size = 10)
{
    const TimePoint date = TimePoint(std::chrono::seconds(1'700'000'000));
    return FileItem::make("/photos/" + name, FileItem::ResourceValues { size, date, date });
}

std::vector<std::string> namesOf(const std::vector<FileItem> &files)
{
    std::vector<std::string> names;
    for (const FileItem &file : files)
        names.push_back(file.name);
    return names;
}

TEST(FileFilterServiceTest, AppliesEachTestInTurn)
{
    const std::vector<FileItem> files = {
        item("a.JPG", 99),
        item("b.jpg", 100),
        item("c.jpeg", 100),
        item("README", 101),
        item("IMG_0001.jpg", 100),
        item("my.image.png", 5),
        item("my.img.gif", 6),
        item("photo.jpg", 0),
        item("Straße.TXT", 7),
    };
    // Criteria built from: included and excluded extensions, search text, case sensitivity, size bounds.
    const auto criteria
        = [](std::set<std::string> include, std::set<std::string> exclude, std::string text = {}, bool cased = false,
              std::int64_t minSize = 0, std::int64_t maxSize = std::numeric_limits<std::int64_t>::max()) {
              FileFilterCriteria result;
              result.includeExtensions = std::move(include);
              result.excludeExtensions = std::move(exclude);
              result.searchText = std::move(text);
              result.caseSensitive = cased;
              result.minSize = minSize;
              result.maxSize = maxSize;
              return result;
          };
    const FileFilterCriteria img = criteria({}, {}, "img");
    const struct {
        const char *label;
        FileFilterCriteria criteria;
        std::vector<std::string> expected;
    } cases[] = {
        { "defaults", {}, namesOf(files) },
        { "include jpg", criteria({ "jpg" }, {}), { "a.JPG", "b.jpg", "IMG_0001.jpg", "photo.jpg" } },
        { "include and exclude jpg", criteria({ "jpg" }, { "jpg" }), {} },
        { "exclude jpg", criteria({}, { "jpg" }), { "c.jpeg", "README", "my.image.png", "my.img.gif", "Straße.TXT" } },
        { "include no extension", criteria({ "" }, {}), { "README" } },
        { "size exactly 100", criteria({}, {}, "", false, 100, 100), { "b.jpg", "c.jpeg", "IMG_0001.jpg" } },
        { "size 6 to 7", criteria({}, {}, "", false, 6, 7), { "my.img.gif", "Straße.TXT" } },
        // "image" does not contain "img": only a plain substring counts.
        { "img ignoring case", img, { "IMG_0001.jpg", "my.img.gif" } },
        { "img with case", criteria({}, {}, "img", true), { "my.img.gif" } },
        { "extension is part of the name", criteria({}, {}, "jpg"), { "a.JPG", "b.jpg", "IMG_0001.jpg", "photo.jpg" } },
        // Lower-casing maps case, it does not fold "ß" to "ss".
        { "no folding", criteria({}, {}, "STRASSE"), {} },
        { "unicode lower-casing", criteria({}, {}, "STRAßE.txt"), { "Straße.TXT" } },
        { "leading dot matches nothing", criteria({ ".png" }, {}), {} },
    };
    const FileFilterService service;
    for (const auto &check : cases)
        EXPECT_EQ(namesOf(service.filter(files, check.criteria)), check.expected) << check.label;

    EXPECT_TRUE(service.filter({}, cases[1].criteria).empty());
    // The records passed on are the very records given (same ids), not rebuilt ones.
    const auto kept = service.filter(files, img);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], files[4]);
    EXPECT_EQ(kept[1], files[6]);
}

TEST(FileFilterServiceTest, ExtremeSizeBoundsCompareAsSigned)
{
    const std::vector<FileItem> files = { item("huge.bin", std::numeric_limits<std::int64_t>::max()), item("zero", 0) };
    FileFilterCriteria criteria;
    EXPECT_EQ(FileFilterService().filter(files, criteria).size(), 2u);
    criteria.minSize = 1;
    EXPECT_EQ(namesOf(FileFilterService().filter(files, criteria)), std::vector<std::string> { "huge.bin" });
    criteria.minSize = std::numeric_limits<std::int64_t>::max();
    criteria.maxSize = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(namesOf(FileFilterService().filter(files, criteria)), std::vector<std::string> { "huge.bin" });
}

TEST(FileFilterServiceTest, ParsesTheExtensionText)
{
    using Set = std::set<std::string>;
    const struct {
        std::string text;
        Set expected;
    } cases[] = {
        { " PNG, jpg ,,Jpeg ", { "png", "jpg", "jpeg" } }, { "", {} }, { " , ", {} }, { ",,,", {} },
        { ".png", { ".png" } }, { "\tJPG\t,jpg", { "jpg" } },
        { "RAW\n", { "raw\n" } }, // only spaces and tabs are trimmed
        { "a b", { "a b" } }, { "\xC3\x89T\xC3\x89", { "\xC3\xA9t\xC3\xA9" } }, // "ÉTÉ" -> "été"
    };
    for (const auto &check : cases)
        EXPECT_EQ(FileFilterService::parseExtensionList(check.text), check.expected) << '"' << check.text << '"';
}

} // namespace
