#include "RenameRule.h"

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "FileAccessService.h"
#include "FileRenameService.h"
#include "TestDir.h"

namespace {

using nlohmann::json;

RenameRuleList rules(const std::string &text)
{
    return renameRulesFromJson(json::parse(text)).value();
}

/// The names the rules give the "|"-separated relative paths (under /photos), joined by "|".
std::string namesFrom(const RenameRuleList &list, const std::string &paths)
{
    NoMetadataProvider metadata;
    RenameRuleNamer namer(list, metadata);
    std::string result;
    for (std::size_t start = 0; start <= paths.size();) {
        const std::size_t end = std::min(paths.find('|', start), paths.size());
        const FileItem file = FileItem::make(std::filesystem::path("/photos") / paths.substr(start, end - start),
            FileItem::ResourceValues { std::int64_t { 0 }, {}, {} });
        result += (start == 0 ? "" : "|") + namer.newName(file);
        start = end + 1;
    }
    return result;
}

TEST(RenameRuleTest, NewRulesOnTrickyUnicode)
{
    const std::string eAcuteNFD = "e\u0301";
    // One rule (JSON), the names, and the names they get.
    const std::vector<std::tuple<std::string, std::string, std::string>> table {
        { R"({"strategy": "titleCase"})", "ÉCOLE d'été.PDF|don't stop.txt|o'neill rock'n'roll.txt",
            "École D'Été.PDF|Don't Stop.txt|O'Neill Rock'n'Roll.txt" },
        { R"({"strategy": "titleCase"})", "2ND PLACE 3d-model.jpg|my_holiday_PHOTOS.jpg|ǆungla ΟΔΟΣ.txt|_my_beach.jpg",
            "2nd Place 3d-Model.jpg|My_Holiday_Photos.jpg|ǅungla Οδος.txt|_My_Beach.jpg" },
        // Without the extension kept, "." inside a word does not part it.
        { R"({"strategy": "titleCase", "preserveExtension": false})", "straße.jpeg", "Straße.jpeg" },
        { R"({"strategy": "titleCase"})", eAcuteNFD + "cole.txt", "\u00c9cole.txt" },
        { R"({"strategy": "sentenceCase"})", "ÉCOLE D'ÉTÉ.PDF|2ND PLACE winner.txt|ΟΔΟΣ ΟΔΟΣ.txt",
            "École d'été.PDF|2nd place winner.txt|Οδος οδος.txt" },
        // Positions count user-perceived characters: a decomposed é, a flag and a family emoji are one each.
        { R"({"strategy": "insert", "insertText": "-", "insertPosition": 2})",
            "a" + eAcuteNFD + "b.txt|🇩🇪👨‍👩‍👧x.txt",
            "a\u00e9-b.txt|🇩🇪👨‍👩‍👧-x.txt" },
        { R"({"strategy": "insert", "insertText": "_v2", "insertPosition": 1, "insertFromEnd": true})",
            "ab" + eAcuteNFD + ".txt", "ab_v2\u00e9.txt" },
        // Past either end, and an inserted "/" or ":".
        { R"({"strategy": "insert", "insertText": "x/y:", "insertPosition": 99})", "ab.txt", "abx-y-.txt" },
        { R"({"strategy": "insert", "insertText": "<", "insertPosition": -5, "insertFromEnd": true})", "ab.txt",
            "ab<.txt" },
        { R"({"strategy": "remove", "removeCount": 4})", "IMG_0001.JPG|🇩🇪🇫🇷🇮🇹🇪🇸🇬🇧.txt", "0001.JPG|🇬🇧.txt" },
        { R"({"strategy": "remove", "removePosition": 1, "removeCount": 2, "removeFromEnd": true})",
            "ab" + eAcuteNFD + "cd.txt", "abd.txt" },
        // Nothing to remove, past the end, or everything: the stem stays.
        { R"({"strategy": "remove", "removePosition": 9, "removeCount": 3})", "abc.txt", "abc.txt" },
        { R"({"strategy": "remove", "removePosition": 1, "removeCount": 9223372036854775807})", "abc.txt", "a.txt" },
        { R"({"strategy": "remove", "removeCount": 3, "removeFromEnd": true})", "abc.txt|abcd.txt", "abc.txt|a.txt" },
        { R"({"strategy": "remove", "removeCount": -2})", "abc.txt", "abc.txt" },
    };
    for (const auto &[rule, names, expected] : table)
        EXPECT_EQ(namesFrom(rules(rule), names), expected) << rule << " on " << names;
}

TEST(RenameRuleTest, ListsChainRulesAndNumberPerRule)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> table {
        // Each rule works on the previous rule's name, with its own "keep extension".
        { R"([{"strategy": "remove", "removeCount": 4}, {"strategy": "replace", "searchText": "_", "replaceText": " "},
              {"strategy": "titleCase"}, {"strategy": "prefix", "prefixText": "2024 "},
              {"strategy": "lowercase", "preserveExtension": false}])",
            "IMG_summer_day.JPG", "2024 summer day.jpg" },
        // Two numbering rules count on their own; a disabled rule is skipped.
        { R"([{"strategy": "prefixSequence", "sequenceStart": 10, "sequenceStep": -5, "sequencePadding": 1},
              {"strategy": "uppercase", "enabled": false},
              {"strategy": "suffixSequence", "sequenceSeparator": "-", "sequencePadding": 2}])",
            "a.txt|b.txt|c.txt", "10_a-01.txt|5_b-02.txt|0_c-03.txt" },
        // Restarting per folder: each folder counts from the start in list order.
        { R"({"strategy": "prefixSequence", "sequenceRestartPerFolder": true, "sequenceStep": 2})",
            "x/a.txt|y/b.txt|x/c.txt|y/d.txt|e.txt", "001_a.txt|001_b.txt|003_c.txt|003_d.txt|001_e.txt" },
        { R"([{"strategy": "dateName", "dateIncludeSequence": false, "dateSource": "created", "enabled": false}])",
            "a.txt", "a.txt" },
        // No rules, or none enabled, change nothing (not even the normalisation of the name).
        { "[]", "cafe\u0301.txt", "cafe\u0301.txt" },
        { R"([{"enabled": false, "prefixText": "x"}])", "a.txt", "a.txt" },
        // A step past the top wraps around, as a step of 1 does.
        { R"({"strategy": "suffixSequence", "sequencePadding": 1, "sequenceStart": 9223372036854775806,
              "sequenceStep": 3})",
            "a|b", "a_9223372036854775806|b_-9223372036854775807" },
    };
    for (const auto &[list, names, expected] : table)
        EXPECT_EQ(namesFrom(rules(list), names), expected) << list;

    // A thousand rules: each one applies.
    RenameRuleList thousand;
    for (int i = 0; i < 1000; ++i)
        thousand.push_back({ i % 2 ? rules(R"({"strategy": "lowercase"})")[0].parameters
                                   : rules(R"({"strategy": "insert", "insertText": "A"})")[0].parameters,
            true });
    EXPECT_EQ(namesFrom(thousand, "b.txt"), std::string(500, 'a') + "b.txt");
}

TEST(RenameRuleTest, ConflictsAreResolvedOnceOnTheFinalNames)
{
    TestDir dir;
    for (const char *name : { "a_1.txt", "a 1.txt", "b.txt", "done.txt" })
        dir.createFile(name);
    FileAccessService disk;
    NoMetadataProvider metadata;
    const FileRenameService service(disk, metadata);
    std::vector<FileItem> files;
    for (const char *name : { "a_1.txt", "a 1.txt", "b.txt" })
        files.push_back(FileItem::make(dir.path() / name));
    const std::vector<std::pair<std::string, std::string>> table {
        // The first rule alone would give "a 1 (1).txt"; after the second the names differ.
        { R"([{"strategy": "replace", "searchText": "_", "replaceText": " "}, {"strategy": "suffixSequence"}])",
            "a 1_001.txt|a 1_002.txt|b_003.txt" },
        // Final names that meet each other or a file on disk are told apart once.
        { R"([{"strategy": "replace", "useRegularExpression": true, "searchText": "^.*$", "replaceText": "x"},
              {"strategy": "prefix", "prefixText": "done"}, {"strategy": "remove", "removeCount": 1,
              "removeFromEnd": true}])",
            "done (1).txt|done (2).txt|done (3).txt" },
    };
    for (const auto &[list, expected] : table) {
        std::string names;
        for (const RenamePlan &plan : service.generatePlans(files, rules(list)))
            names += (names.empty() ? "" : "|") + plan.newName;
        EXPECT_EQ(names, expected) << list;
    }
}

TEST(RenameRuleTest, DecodingAndWhatEarlierReleasesCanRepresent)
{
    // Settings an earlier release wrote decode unchanged, and settings it can represent are written as it did.
    const RenameParameters defaults;
    EXPECT_EQ(rules(defaults.toJson().dump()), singleRule(defaults));
    EXPECT_EQ(json::parse(renameRulesToJson(singleRule(defaults)).dump())[0].size(), 15U);

    const std::vector<std::pair<std::string, bool>> representable {
        { R"([{"strategy": "dateName", "dateIncludeSequence": false}])", true },
        { R"({"strategy": "lowercase", "enabled": true, "removeCount": 0})", true },
        { R"({"strategy": "titleCase"})", false },
        { R"({"strategy": "remove", "removeCount": 2})", false },
        { R"({"strategy": "prefix", "insertText": "x"})", false },
        { R"({"strategy": "prefixSequence", "sequenceStep": 2})", false },
        { R"({"strategy": "prefixSequence", "sequenceRestartPerFolder": true})", false },
        { R"({"enabled": false})", false },
        { "[]", false },
        { "[{}, {}]", false },
    };
    for (const auto &[text, expected] : representable) {
        const RenameRuleList list = rules(text);
        EXPECT_EQ(isRepresentableByEarlierReleases(list), expected) << text;
        EXPECT_EQ(renameRulesFromJson(json::parse(renameRulesToJson(list).dump())), list) << text;
    }

    const std::vector<std::pair<std::string, std::string>> failures {
        { R"({"sequenceStep": 0})", "sequenceStep" },
        { R"({"sequenceStep": 18446744073709551616})", "sequenceStep" },
        { R"({"sequenceStep": 9223372036854775808})", "sequenceStep" },
        { R"({"insertPosition": "2"})", "insertPosition" },
        { R"({"removeFromEnd": 1})", "removeFromEnd" },
        { R"({"strategy": "TitleCase"})", "strategy" },
        { R"({"enabled": "yes"})", "enabled" },
        { R"([{}, "prefix"])", "rule 2" },
        { R"([{}, [], {}])", "rule 2" },
        { R"([{}, {}, {"strategy": 3}])", "rule 3: \"strategy\"" },
        { "3", "object or an array" },
        { "null", "object or an array" },
    };
    for (const auto &[text, part] : failures) {
        const Result<RenameRuleList> decoded = renameRulesFromJson(json::parse(text));
        ASSERT_FALSE(decoded) << text;
        EXPECT_NE(decoded.error().message.find(part), std::string::npos) << text << ": " << decoded.error().message;
    }
}

} // namespace
