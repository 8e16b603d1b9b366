#include "RenameParameters.h"

#include <chrono>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "NameGenerator.h"

namespace {

using nlohmann::json;

RenameParameters nonDefaultParameters()
{
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::dateName;
    parameters.prefixText = "Trip ";
    parameters.suffixText = "-édit";
    parameters.searchText = "^IMG_(\\d+)$";
    parameters.replaceText = "Photo $1";
    parameters.sequenceStart = -9223372036854775807LL - 1;
    parameters.sequencePadding = 9223372036854775807LL;
    parameters.sequenceSeparator = "";
    parameters.preserveExtension = false;
    parameters.dateSource = DateSource::modified;
    parameters.dateFormat = DateNameFormat::yearMonth;
    parameters.dateIncludeSequence = false;
    parameters.datePosition = DatePosition::suffix;
    parameters.useRegularExpression = true;
    return parameters;
}

Result<RenameParameters> decode(const std::string &text)
{
    return RenameParameters::fromJson(json::parse(text));
}

TEST(RenameParametersTest, EachDateFormatsTitleIsTheSampleDateWrittenInIt)
{
    using namespace std::chrono;
    // Noon, so that the day is the same in every time zone the tests run in.
    const TimePoint sample(sys_days(year(2026) / September / 30) + hours(12));
    const FileItem file = FileItem::make(
        "/photos/a.txt", FileItem::ResourceValues { std::int64_t { 0 }, sample, sample }, sample, sample);
    NoMetadataProvider metadata;
    for (const EnumCase<DateNameFormat> &row : enumCases<DateNameFormat>()) {
        RenameParameters parameters;
        parameters.strategy = RenameStrategy::dateName;
        parameters.dateSource = DateSource::created;
        parameters.dateFormat = row.value;
        parameters.dateIncludeSequence = false;
        parameters.sequenceSeparator = "~";
        std::int64_t counter = 1;
        EXPECT_EQ(NameGenerator(parameters, metadata).newName(file, counter), std::string(row.title) + "~a.txt");
    }
}

TEST(RenameParametersTest, EncodingWritesEveryKeyAndRoundTrips)
{
    // The stored form is fixed: presets written by earlier versions must keep loading.
    EXPECT_EQ(RenameParameters {}.toJson().dump(),
        R"({"dateFormat":"iso","dateIncludeSequence":true,"datePosition":"prefix","dateSource":"capture",)"
        R"("prefixText":"","preserveExtension":true,"replaceText":"","searchText":"","sequencePadding":3,)"
        R"("sequenceSeparator":"_","sequenceStart":1,"strategy":"prefix","suffixText":"","useRegularExpression":false})");
    const RenameParameters original = nonDefaultParameters();
    EXPECT_EQ(RenameParameters::fromJson(json::parse(original.toJson().dump())), original);
    // Absent, null and unknown keys take the defaults.
    json allNull = json::parse(R"({"Strategy": "bogus", "extra": [1, {"a": 2}]})");
    const json encoded = original.toJson();
    for (const auto &item : encoded.items())
        allNull[item.key()] = nullptr;
    EXPECT_EQ(RenameParameters::fromJson(allNull), RenameParameters {});
    RenameParameters suffixed;
    suffixed.strategy = RenameStrategy::suffixSequence;
    suffixed.sequenceSeparator = "";
    EXPECT_EQ(decode(R"({"strategy": "suffixSequence", "sequenceSeparator": "", "sequencePadding": null})"), suffixed);
    EXPECT_EQ(
        decode(R"({"sequenceStart": -9223372036854775808, "sequencePadding": 9223372036854775807})")->sequencePadding,
        std::numeric_limits<std::int64_t>::max());
}

TEST(RenameParametersTest, WrongTypesAndUnknownCasesFailTheWholeDecodeNamingTheKey)
{
    const std::vector<std::pair<std::string, std::string>> table {
        { R"({"strategy": "Prefix"})", "strategy" },
        { R"({"strategy": 1})", "strategy" },
        { R"({"dateSource": "Capture"})", "dateSource" },
        { R"({"dateFormat": "ISO"})", "dateFormat" },
        { R"({"datePosition": true})", "datePosition" },
        { R"({"prefixText": 5})", "prefixText" },
        { R"({"sequenceStart": "1"})", "sequenceStart" },
        { R"({"sequenceStart": 1.5})", "sequenceStart" },
        { R"({"sequenceStart": 2.0})", "sequenceStart" },
        { R"({"sequenceStart": 9223372036854775808})", "sequenceStart" },
        { R"({"sequencePadding": 1e400})", "sequencePadding" },
        { R"({"sequencePadding": true})", "sequencePadding" },
        { R"({"preserveExtension": 1})", "preserveExtension" },
        { R"({"useRegularExpression": {}})", "useRegularExpression" },
        // One bad key spoils an otherwise good object.
        { R"({"strategy": "suffix", "suffixText": "x", "sequencePadding": "3"})", "sequencePadding" },
        // Not an object at all.
        { "null", "" },
        { "[]", "" },
        { "3", "" },
    };
    for (const auto &[text, key] : table) {
        json value;
        try {
            value = json::parse(text);
        } catch (const json::exception &) {
            // 1e400 does not parse as a finite number everywhere; build the out-of-range value directly.
            value = json { { key, 1e300 * 1e300 } };
        }
        const Result<RenameParameters> decoded = RenameParameters::fromJson(value);
        ASSERT_FALSE(decoded) << text;
        const std::string &error = decoded.error().message;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_NE(error.find(key), std::string::npos) << text << " gave: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

} // namespace
