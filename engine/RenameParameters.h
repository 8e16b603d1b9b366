#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

/// Which transformation a batch applies to each name.
enum class RenameStrategy { prefix, suffix, replace, prefixSequence, suffixSequence, dateName, uppercase, lowercase };
/// Which date a date name uses.
enum class DateSource { capture, created, modified };
/// How a date is written in a name.
enum class DateNameFormat { iso, underscored, compact, yearMonth };
/// On which side of the stem a date goes.
enum class DatePosition { prefix, suffix };

/// The raw string of each case: its identity and its JSON form ("prefixSequence", "yearMonth", ...).
std::string_view rawValue(RenameStrategy value);
std::string_view rawValue(DateSource value);
std::string_view rawValue(DateNameFormat value);
std::string_view rawValue(DatePosition value);

/// The case whose raw string is exactly `raw` (case-sensitive), or nothing.
template <typename Enum> std::optional<Enum> fromRawValue(std::string_view raw);

/// All cases of each enumeration, in their declared order.
inline constexpr std::array allRenameStrategies { RenameStrategy::prefix, RenameStrategy::suffix,
    RenameStrategy::replace, RenameStrategy::prefixSequence, RenameStrategy::suffixSequence, RenameStrategy::dateName,
    RenameStrategy::uppercase, RenameStrategy::lowercase };
inline constexpr std::array allDateSources { DateSource::capture, DateSource::created, DateSource::modified };
inline constexpr std::array allDateNameFormats { DateNameFormat::iso, DateNameFormat::underscored,
    DateNameFormat::compact, DateNameFormat::yearMonth };
inline constexpr std::array allDatePositions { DatePosition::prefix, DatePosition::suffix };

/// The date pattern of a format in the symbols of UTS #35 ("yyyy-MM-dd", ...).
std::string_view datePattern(DateNameFormat format);
/// The sample text shown as a format's label ("2026-09-30", ...).
std::string_view sampleLabel(DateNameFormat format);

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

    bool operator==(const RenameParameters &) const = default;

    /// The JSON object with all 14 keys, always.
    nlohmann::json toJson() const;
    /// Decodes a JSON value. Absent or null keys take their defaults, unknown keys are ignored; a value of the
    /// wrong type, an unknown enumeration string or a non-object fails the whole decode, with a message.
    [[nodiscard]] static std::optional<RenameParameters> fromJson(const nlohmann::json &json, std::string *error = nullptr);
};
