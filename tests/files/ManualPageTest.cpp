#include "ManualPage.h"

#include <gtest/gtest.h>

// A dash that starts a word or follows another dash is a minus sign (so an option copied from the page works
// in a terminal); one inside a word is a hyphen. Backslashes and a leading dot or quote would be read as roff.
TEST(ManualPageTest, EscapesWhatRoffWouldRead)
{
    const std::pair<const char *, const char *> rows[] = {
        { "-a", "\\-a" },
        { "x --all", "x \\-\\-all" },
        { "[-n] (-v) \"-q\"", "[\\-n] (\\-v) \"\\-q\"" },
        { "re-use a-b", "re-use a-b" },
        { "C:\\dir", "C:\\edir" },
        { ".start", "\\&.start" },
        { "'quote", "\\&'quote" },
    };
    for (const auto &[text, roff] : rows)
        EXPECT_EQ(ManualPage::escape(text), roff) << text;
}
