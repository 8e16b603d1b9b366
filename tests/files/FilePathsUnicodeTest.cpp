#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FilePaths.h"
#include "Unicode.h"

namespace {

TEST(FilePathsTest, RecognisesExactlyThePathsThatStandardisingLeavesAlone)
{
    const std::vector<std::string> paths { "/", "/a", "/a/b.txt", "/a/b/", "//a", "/a//b", "/a/./b", "/a/../b", "/a/.",
        "/a/..", "/.hidden/.x", "/a/...", "/a/b..c", "relative/x", "", "./x", "/a/ b/c " };
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        const bool unchanged = !path.empty() && path.front() == '/' && FilePaths::standardized(path).native() == path;
        EXPECT_EQ(FilePaths::isStandardized(path), unchanged);
        // Whatever comes out of standardising is recognised as standardised.
        if (!path.empty() && path.front() == '/') {
            EXPECT_TRUE(FilePaths::isStandardized(FilePaths::standardized(path).native()));
        }
    }
}

TEST(UnicodeTest, MatchingKeysMeetWhereLetterCaseOrNormalisationDiffer)
{
    const std::string eComposed = "\xC3\xA9", eDecomposed = "e\xCC\x81", capitalE = "\xC3\x89";
    const std::vector<std::pair<std::string, std::string>> same { { "Photo.JPG", "photo.jpg" },
        { eComposed + ".txt", eDecomposed + ".txt" }, { capitalE + ".txt", eDecomposed + ".TXT" },
        { "stra\xC3\x9F"
          "e",
            "STRASSE" },
        { "\xE2\x84\xAA", "k" }, { "notes.", "notes" }, { "f\xC4\xB1le", "FILE" },
        { "a\xE2\x80\x8B"
          "b",
            "ab" } };
    for (const auto &[a, b] : same) {
        EXPECT_EQ(Unicode::matchingKey(a), Unicode::matchingKey(b)) << a << " / " << b;
    }
    const std::vector<std::pair<std::string, std::string>> different { { "photo.jpg", "photo.jpeg" },
        { "x (1).txt", "x (2).txt" }, { eComposed, "e" } };
    for (const auto &[a, b] : different)
        EXPECT_NE(Unicode::matchingKey(a), Unicode::matchingKey(b)) << a << " / " << b;
}

TEST(UnicodeTest, AsciiShortcutsAgreeWithTheFullConversions)
{
    // KELVIN SIGN folds onto "k": only two ASCII texts may take the shortcut.
    EXPECT_TRUE(Unicode::equalIgnoringCase("\xE2\x84\xAA.txt", "K.TXT"));
    EXPECT_TRUE(Unicode::equalIgnoringCase("Photo.JPG", "pHOTO.jpg"));
    EXPECT_FALSE(Unicode::equalIgnoringCase("Photo.JPG", "Photo.JPG "));
    EXPECT_FALSE(Unicode::equalIgnoringCase("a[", "A{"));
    EXPECT_EQ(Unicode::toNFC("plain ASCII.txt"), "plain ASCII.txt");
    EXPECT_EQ(Unicode::toNFD("\xC3\xA9"), "e\xCC\x81");
    EXPECT_EQ(Unicode::toNFC("e\xCC\x81"), "\xC3\xA9");
}

} // namespace
