#include "FileFilterService.h"

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

TEST(FileFilterService, appliesEachTestInTurn)
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
    FileFilterCriteria jpgOnly;
    jpgOnly.includeExtensions = { "jpg" };
    FileFilterCriteria jpgBoth = jpgOnly;
    jpgBoth.excludeExtensions = { "jpg" };
    FileFilterCriteria noJpg;
    noJpg.excludeExtensions = { "jpg" };
    FileFilterCriteria noExtension;
    noExtension.includeExtensions = { "" };
    FileFilterCriteria exactly100;
    exactly100.minSize = 100;
    exactly100.maxSize = 100;
    FileFilterCriteria img;
    img.searchText = "img";
    FileFilterCriteria imgCased = img;
    imgCased.caseSensitive = true;
    FileFilterCriteria extensionText;
    extensionText.searchText = "jpg";
    FileFilterCriteria unicodeText;
    unicodeText.searchText = "STRASSE";
    FileFilterCriteria unicodeLower;
    unicodeLower.searchText = "STRAßE.txt";
    FileFilterCriteria dotted;
    dotted.includeExtensions = { ".png" };

    const struct {
        const char *label;
        FileFilterCriteria criteria;
        std::vector<std::string> expected;
    } cases[] = {
        { "defaults", {}, namesOf(files) },
        { "include jpg", jpgOnly, { "a.JPG", "b.jpg", "IMG_0001.jpg", "photo.jpg" } },
        { "include and exclude jpg", jpgBoth, {} },
        { "exclude jpg", noJpg, { "c.jpeg", "README", "my.image.png", "my.img.gif", "Straße.TXT" } },
        { "include no extension", noExtension, { "README" } },
        { "size exactly 100", exactly100, { "b.jpg", "c.jpeg", "IMG_0001.jpg" } },
        // "image" does not contain "img": only a plain substring counts.
        { "img ignoring case", img, { "IMG_0001.jpg", "my.img.gif" } },
        { "img with case", imgCased, { "my.img.gif" } },
        { "extension is part of the name", extensionText, { "a.JPG", "b.jpg", "IMG_0001.jpg", "photo.jpg" } },
        // Lower-casing maps case, it does not fold "ß" to "ss".
        { "no folding", unicodeText, {} },
        { "unicode lower-casing", unicodeLower, { "Straße.TXT" } },
        { "leading dot matches nothing", dotted, {} },
    };
    const FileFilterService service;
    for (const auto &check : cases)
        EXPECT_EQ(namesOf(service.filter(files, check.criteria)), check.expected) << check.label;

    EXPECT_TRUE(service.filter({}, jpgOnly).empty());
    // The records passed on are the very records given (same ids), not rebuilt ones.
    const auto kept = service.filter(files, img);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], files[4]);
    EXPECT_EQ(kept[1], files[6]);
}

TEST(FileFilterService, extremeSizeBoundsCompareAsSigned)
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

TEST(FileFilterService, parsesTheExtensionText)
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
