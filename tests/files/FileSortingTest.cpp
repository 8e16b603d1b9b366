#include "FileSorting.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <unicode/coll.h>
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
    void SetUp() override { setDefault(GetParam()); }
    void TearDown() override { setDefault(m_previous); }
    static void setDefault(const icu::Locale &locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(locale, status);
        ASSERT_TRUE(U_SUCCESS(status));
    }

private:
    icu::Locale m_previous = icu::Locale::getDefault();
};

TEST_P(FileSortingTest, IgnoresLetterCaseAndAccentsComeNextToTheirBaseLetter)
{
    // Names equal but for case keep their input order; an accent counts after the base letters do.
    std::vector<FileItem> files = itemsNamed({ "b", "f.txt", "\xC3\xA9t\xC3\xA9.txt", "A", "Ete.txt", "eta.txt", "a",
        "z.txt", "\xC3\x89T\xC3\x89.txt", "_x.txt", "E.txt", "B" });
    const std::vector<FileItem> input = files;
    sortByName(files);
    EXPECT_EQ(namesOf(files),
        (std::vector<std::string> { "_x.txt", "A", "a", "b", "B", "E.txt", "eta.txt", "Ete.txt",
            "\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T\xC3\x89.txt", "f.txt", "z.txt" }));
    // Moved records, not rebuilt ones.
    EXPECT_EQ(files[1], input[3]);
}

TEST_P(FileSortingTest, IsStableForManyEqualNames)
{
    // Enough names for the keys to be made on two threads: the order holds across the two halves too.
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back(i % 3 == 0 ? "same.txt" : (i % 3 == 1 ? "SAME.TXT" : "Same.Txt"));
    names.push_back("a.txt");
    std::vector<FileItem> files = itemsNamed(names);
    const std::vector<FileItem> input = files;
    sortByName(files);
    EXPECT_EQ(files.front(), input.back());
    for (std::size_t i = 1; i < files.size(); ++i)
        EXPECT_EQ(files[i], input[i - 1]) << i;
}

// Names of plain ASCII are sorted without the collator, by their characters' ranks: the order must be the
// collator's own, for tricky names and for many random ones, in every language (the ranks are read from the
// language's collator, or the collator is used where its rules make that unsafe).
TEST_P(FileSortingTest, PlainAsciiNamesSortExactlyAsTheCollatorSortsThem)
{
    std::vector<std::string> names { "a", "A", "a.txt", "A.txt", "a-b", "a_b", "a b", "ab", "a.b", "a,b", "a;b", "a!b",
        "a~b", "a'b", "a\"b", "a(b", "a)b", "a[b", "a{b", "a@b", "a*b", "a\\b", "a&b", "a#b", "a%b", "a`b", "a^b",
        "a+b", "a<b", "a=b", "a>b", "a|b", "a$b", "a:b", "a?b", "a]b", "a}b", "file2", "file10", "file02", "file 2",
        "File1", "file-1", "file_1", "file.1", "1", "01", "10", "9", "_", "-", ".a", " ", "  a", "a ", "zz", "Zz", "z",
        "aa", "aB", "Ab", "aaa", "x.TXT", "x.txt", "X.txt" };
    // Random names over an alphabet rich in the characters whose rank is easiest to get wrong ("/" is no name's).
    std::mt19937 random(15);
    const std::string alphabet = " !\"#$%&'()*+,-.0123456789:;<=>?@AZaz[\\]^_`{|}~bBmM";
    for (int i = 0; i < 4000; ++i) {
        std::string name(1 + random() % 8, ' ');
        for (char &c : name)
            c = alphabet[random() % alphabet.size()];
        names.push_back(name);
    }
    std::vector<FileItem> files = itemsNamed(names);
    sortByName(files);

    // The reference: the collator the sort is documented to follow, comparing whole names, in a stable sort.
    const bool posix = std::string(GetParam()) == "en_US_POSIX";
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(posix ? icu::Locale::getRoot() : icu::Locale(GetParam()), status));
    ASSERT_TRUE(U_SUCCESS(status));
    collator->setStrength(icu::Collator::SECONDARY);
    std::vector<std::string> expected = namesOf(itemsNamed(names));
    std::stable_sort(expected.begin(), expected.end(), [&](const std::string &a, const std::string &b) {
        UErrorCode compared = U_ZERO_ERROR;
        return collator->compareUTF8(a, b, compared) == UCOL_LESS;
    });
    EXPECT_EQ(namesOf(files), expected);
}

// "en_US_POSIX" is what ICU makes of LANG=C and C.UTF-8.
INSTANTIATE_TEST_SUITE_P(
    Locales, FileSortingTest, ::testing::Values("en_US_POSIX", "en_US", "de_DE", "fr_FR", "da_DK", "lt_LT"));

class FileSortingLanguageTest : public FileSortingTest { };

// The user's language decides where letters with marks go: Swedish sorts "ä" after "z", German next to "a".
TEST_P(FileSortingLanguageTest, FollowsTheUsersLanguage)
{
    std::vector<FileItem> files = itemsNamed({ "\xC3\xA4.txt", "z.txt", "a.txt" });
    sortByName(files);
    const bool swedish = std::string(GetParam()) == "sv_SE";
    EXPECT_EQ(namesOf(files),
        swedish ? (std::vector<std::string> { "a.txt", "z.txt", "\xC3\xA4.txt" })
                : (std::vector<std::string> { "a.txt", "\xC3\xA4.txt", "z.txt" }));
}

INSTANTIATE_TEST_SUITE_P(Languages, FileSortingLanguageTest, ::testing::Values("sv_SE", "de_DE", "en_US_POSIX"));

// Sizes and dates sort in either direction, and equal ones keep the order by name.
TEST(FileOrderTest, EqualKeysKeepTheOrderByName)
{
    const TimePoint early(std::chrono::seconds(1'000'000'000)), late(std::chrono::seconds(2'000'000'000));
    std::vector<FileItem> files;
    for (const auto &[name, size, date] :
        { std::tuple("b", 1, early), std::tuple("c", 0, late), std::tuple("a", 1, early) })
        files.push_back(FileItem::make(std::string("/folder/") + name, FileItem::ResourceValues { size, date, date }));
    const std::vector<std::tuple<FileOrder, bool, std::vector<std::string>>> table {
        { FileOrder::size, true, { "c", "a", "b" } },
        { FileOrder::size, false, { "a", "b", "c" } },
        { FileOrder::dateModified, true, { "a", "b", "c" } },
        { FileOrder::dateCreated, false, { "c", "a", "b" } },
    };
    for (const auto &[order, ascending, expected] : table) {
        std::vector<FileItem> sorted = files;
        sortFiles(sorted, order, ascending);
        EXPECT_EQ(namesOf(sorted), expected) << static_cast<int>(order) << ascending;
    }
}

} // namespace
