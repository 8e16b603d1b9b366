#include "FileSorting.h"

#include <string>
#include <vector>

#include <unicode/locid.h>

#include <gtest/gtest.h>

namespace {

std::vector<FileItem> itemsNamed(const std::vector<std::string> &names)
{
    std::vector<FileItem> files;
    const TimePoint date = TimePoint(std::chrono::seconds(1'700'000'000));
    for (const std::string &name : names)
        files.push_back(FileItem::make("/folder/" + name, FileItem::ResourceValues { 1, date, date }));
    return files;
}

std::vector<std::string> namesOf(const std::vector<FileItem> &files)
{
    std::vector<std::string> names;
    for (const FileItem &file : files)
        names.push_back(file.name);
    return names;
}

/// Runs a test body under a given ICU default locale and restores the previous one.
class FileSortingTest : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        m_previous = icu::Locale::getDefault();
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(GetParam()), status);
        ASSERT_TRUE(U_SUCCESS(status));
    }
    void TearDown() override
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(m_previous, status);
    }

private:
    icu::Locale m_previous;
};

TEST_P(FileSortingTest, ignoresLetterCaseAndKeepsInputOrderForEqualNames)
{
    std::vector<FileItem> files = itemsNamed({ "b", "A", "a", "B" });
    const std::vector<FileItem> input = files;
    sortByName(files);
    EXPECT_EQ(namesOf(files), (std::vector<std::string> { "A", "a", "b", "B" }));
    // Moved records, not rebuilt ones.
    EXPECT_EQ(files[0], input[1]);
    EXPECT_EQ(files[3], input[3]);
}

TEST_P(FileSortingTest, accentsSortNextToTheirBaseLetter)
{
    std::vector<FileItem> files = itemsNamed({ "f.txt", "\xC3\xA9t\xC3\xA9.txt", "Ete.txt", "eta.txt", "z.txt",
        "\xC3\x89T\xC3\x89.txt", "_x.txt", "E.txt" });
    sortByName(files);
    // "été" and "ÉTÉ" differ only in case and keep their order; an accent counts after the base letters do.
    EXPECT_EQ(namesOf(files),
        (std::vector<std::string> { "_x.txt", "E.txt", "eta.txt", "Ete.txt", "\xC3\xA9t\xC3\xA9.txt",
            "\xC3\x89T\xC3\x89.txt", "f.txt", "z.txt" }));
}

TEST_P(FileSortingTest, isStableForManyEqualNames)
{
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back(i % 3 == 0 ? "same.txt" : (i % 3 == 1 ? "SAME.TXT" : "Same.Txt"));
    names.push_back("a.txt");
    std::vector<FileItem> files = itemsNamed(names);
    const std::vector<FileItem> input = files;
    sortByName(files);
    EXPECT_EQ(files.front(), input.back());
    for (std::size_t i = 1; i < files.size(); ++i)
        EXPECT_EQ(files[i], input[i - 1]) << i;
}

TEST_P(FileSortingTest, emptyAndSingleLists)
{
    std::vector<FileItem> none;
    sortByName(none);
    EXPECT_TRUE(none.empty());
    std::vector<FileItem> one = itemsNamed({ "only" });
    sortByName(one);
    EXPECT_EQ(namesOf(one), std::vector<std::string> { "only" });
}

// "en_US_POSIX" is what ICU makes of LANG=C and C.UTF-8.
INSTANTIATE_TEST_SUITE_P(Locales, FileSortingTest, ::testing::Values("en_US_POSIX", "en_US", "de_DE", "fr_FR"));

} // namespace
