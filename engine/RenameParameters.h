#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "Result.h"

/// Which transformation a rule applies to each name.
enum class RenameStrategy {
    prefix,
    suffix,
    replace,
    prefixSequence,
    suffixSequence,
    dateName,
    uppercase,
    lowercase,
    titleCase,
    sentenceCase,
    insert,
    remove
};
/// Which date a date name uses.
enum class DateSource { capture, created, modified };
/// How a date is written in a name.
enum class DateNameFormat { iso, underscored, compact, yearMonth };
/// On which side of the stem a date goes.
enum class DatePosition { prefix, suffix };

/// The enumerations above, the only types the case tables below describe.
template <typename T>
concept RenameChoice = std::same_as<T, RenameStrategy> || std::same_as<T, DateSource> || std::same_as<T,
    DateNameFormat> || std::same_as<T, DatePosition>;

/// One case of an enumeration and everything said about it: the raw string that is its identity and JSON form
/// ("prefixSequence", "yearMonth", ...), the title the window shows for it ("Prefix Sequence Number",
/// "2026-09", ...) and, for a date format only, its date pattern in the symbols of UTS #35 ("yyyy-MM").
template <RenameChoice Enum> struct EnumCase {
    Enum value;
    std::string_view rawValue;
    std::string_view title;
    std::string_view pattern;
};

/// The one table of each enumeration: all its cases in their declared order, which is also the order in which
/// the window lists them.
template <RenameChoice Enum> std::span<const EnumCase<Enum>> enumCases();
/// The table row of `value`.
template <RenameChoice Enum> const EnumCase<Enum> &enumCase(Enum value);
/// The position of `value` in its table.
template <RenameChoice Enum> std::size_t enumIndex(Enum value);
/// The case whose raw string is exactly `raw` (case-sensitive), or nothing.
template <RenameChoice Enum> std::optional<Enum> fromRawValue(std::string_view raw);

/// The raw string of a case (its table row's `rawValue`).
template <RenameChoice Enum> std::string_view rawValue(Enum value)
{
    return enumCase(value).rawValue;
}

/// The date pattern of a format ("yyyy-MM-dd", ...).
inline std::string_view datePattern(DateNameFormat format)
{
    return enumCase(format).pattern;
}

/// Every rename setting the user can change. A plain value; fields the active strategy does not read keep
/// their values. The default value is the state a fresh application starts with.
struct RenameParameters {
    RenameStrategy strategy = RenameStrategy::prefix;
    std::string prefixText;
    std::string suffixText;
    std::string searchText;
    std::string replaceText;
    std::int64_t sequenceStart = 1;
    std::int64_t sequencePadding = 3;
    std::string sequenceSeparator = "_";
    bool preserveExtension = true;
    DateSource dateSource = DateSource::capture;
    DateNameFormat dateFormat = DateNameFormat::iso;
    bool dateIncludeSequence = true;
    DatePosition datePosition = DatePosition::prefix;
    bool useRegularExpression = false;
    // Read by the rules added after the first eight; their defaults leave every earlier setting meaning what it
    // meant, and they are written only when they differ from the defaults.
    std::string insertText; ///< insert: the text put into the stem
    std::int64_t insertPosition = 0; ///< insert: where, in characters (graphemes)
    bool insertFromEnd = false; ///< insert: the position counts from the end of the stem
    std::int64_t removePosition = 0; ///< remove: where the removed characters start, in graphemes
    std::int64_t removeCount = 0; ///< remove: how many characters (graphemes)
    bool removeFromEnd = false; ///< remove: the position counts from the end (the characters before it go)
    std::int64_t sequenceStep = 1; ///< numbering rules: added to the number per file; never 0
    bool sequenceRestartPerFolder = false; ///< numbering rules: each folder counts from the start on its own

    bool operator==(const RenameParameters &) const = default;

    /// The JSON object with the first 14 keys always and each later key only when its value is not the default,
    /// so that settings an earlier release can represent are written exactly as it wrote them.
    nlohmann::json toJson() const;
    /// Decodes a JSON value. Absent or null keys take their defaults, unknown keys are ignored; a value of the
    /// wrong type, an unknown enumeration string, a "sequenceStep" of 0 or a non-object fails the whole decode,
    /// with a message.
    static Result<RenameParameters> fromJson(const nlohmann::json &json);
    /// Every key `fromJson` reads, in field order.
    static std::span<const std::string_view> jsonKeys();
    /// Whether an earlier release, which knew the first eight strategies and the first 14 keys, reads these
    /// settings to the same meaning: the strategy is one of those eight and every later field has its default.
    bool isRepresentableByEarlierReleases() const;
};
