#include "RenameParameters.h"

#include <array>
#include <limits>

#include <nlohmann/json.hpp>

namespace {

// The tables. The titles are shown as written, in every language, and never looked up in a translation table;
// a date format's title is a sample date written in it.
constexpr std::array<EnumCase<RenameStrategy>, 12> strategyCases { {
    { RenameStrategy::prefix, "prefix", "Add Prefix", {} },
    { RenameStrategy::suffix, "suffix", "Add Suffix", {} },
    { RenameStrategy::replace, "replace", "Find and Replace", {} },
    { RenameStrategy::prefixSequence, "prefixSequence", "Prefix Sequence Number", {} },
    { RenameStrategy::suffixSequence, "suffixSequence", "Suffix Sequence Number", {} },
    { RenameStrategy::dateName, "dateName", "Format with Date", {} },
    { RenameStrategy::uppercase, "uppercase", "UPPERCASE", {} },
    { RenameStrategy::lowercase, "lowercase", "lowercase", {} },
    { RenameStrategy::titleCase, "titleCase", "Title Case", {} },
    { RenameStrategy::sentenceCase, "sentenceCase", "Sentence case", {} },
    { RenameStrategy::insert, "insert", "Insert Text", {} },
    { RenameStrategy::remove, "remove", "Remove Characters", {} },
} };

// The strategies an earlier release knew; it fails to read settings naming any later one.
constexpr RenameStrategy lastEarlierStrategy = RenameStrategy::lowercase;

constexpr std::array<std::string_view, 22> keys { "strategy", "prefixText", "suffixText", "searchText", "replaceText",
    "sequenceStart", "sequencePadding", "sequenceSeparator", "preserveExtension", "dateSource", "dateFormat",
    "dateIncludeSequence", "datePosition", "useRegularExpression", "insertText", "insertPosition", "insertFromEnd",
    "removePosition", "removeCount", "removeFromEnd", "sequenceStep", "sequenceRestartPerFolder" };

constexpr std::array<EnumCase<DateSource>, 3> dateSourceCases { {
    { DateSource::capture, "capture", "Date Taken (EXIF)", {} },
    { DateSource::created, "created", "Date Created", {} },
    { DateSource::modified, "modified", "Date Modified", {} },
} };

constexpr std::array<EnumCase<DateNameFormat>, 4> dateFormatCases { {
    { DateNameFormat::iso, "iso", "2026-09-30", "yyyy-MM-dd" },
    { DateNameFormat::underscored, "underscored", "2026_09_30", "yyyy_MM_dd" },
    { DateNameFormat::compact, "compact", "20260930", "yyyyMMdd" },
    { DateNameFormat::yearMonth, "yearMonth", "2026-09", "yyyy-MM" },
} };

constexpr std::array<EnumCase<DatePosition>, 2> datePositionCases { {
    { DatePosition::prefix, "prefix", "Before name", {} },
    { DatePosition::suffix, "suffix", "After name", {} },
} };

constexpr const auto &tableOf(RenameStrategy)
{
    return strategyCases;
}
constexpr const auto &tableOf(DateSource)
{
    return dateSourceCases;
}
constexpr const auto &tableOf(DateNameFormat)
{
    return dateFormatCases;
}
constexpr const auto &tableOf(DatePosition)
{
    return datePositionCases;
}

// Each table lists every case once, in declared order, so that no case lacks its raw value or title.
template <typename Table> constexpr bool isInDeclaredOrder(const Table &table)
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (static_cast<std::size_t>(table[i].value) != i)
            return false;
    }
    return true;
}
static_assert(isInDeclaredOrder(strategyCases) && strategyCases.back().value == RenameStrategy::remove);
static_assert(isInDeclaredOrder(dateSourceCases) && dateSourceCases.back().value == DateSource::modified);
static_assert(isInDeclaredOrder(dateFormatCases) && dateFormatCases.back().value == DateNameFormat::yearMonth);
static_assert(isInDeclaredOrder(datePositionCases) && datePositionCases.back().value == DatePosition::suffix);

std::string_view jsonTypeName(const nlohmann::json &value)
{
    switch (value.type()) {
    case nlohmann::json::value_t::null:
        return "null";
    case nlohmann::json::value_t::object:
        return "an object";
    case nlohmann::json::value_t::array:
        return "an array";
    case nlohmann::json::value_t::string:
        return "a string";
    case nlohmann::json::value_t::boolean:
        return "a boolean";
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
        return "an integer";
    case nlohmann::json::value_t::number_float:
        return "a fractional number";
    case nlohmann::json::value_t::binary:
        return "binary data";
    case nlohmann::json::value_t::discarded:
        break;
    }
    return "an invalid value";
}

/// Reads the keys of one JSON object into a RenameParameters, stopping at the first unusable value.
class Decoder final {
public:
    explicit Decoder(const nlohmann::json &object)
        : m_object(object)
    {
    }

    const std::string &error() const { return m_error; }

    void readString(const char *key, std::string &field)
    {
        const nlohmann::json *value = find(key);
        if (!value)
            return;
        if (!value->is_string())
            return fail(key, "a string", *value);
        field = value->get_ref<const std::string &>();
    }

    void readInteger(const char *key, std::int64_t &field)
    {
        const nlohmann::json *value = find(key);
        if (!value)
            return;
        if (value->is_number_unsigned()) {
            // Unsigned values above the signed range cannot be stored; smaller ones are ordinary integers.
            const auto number = value->get<std::uint64_t>();
            if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return failWith(key, "the integer is out of the signed 64-bit range");
            field = static_cast<std::int64_t>(number);
            return;
        }
        if (!value->is_number_integer())
            return fail(key, "an integer", *value);
        field = value->get<std::int64_t>();
    }

    void readBoolean(const char *key, bool &field)
    {
        const nlohmann::json *value = find(key);
        if (!value)
            return;
        if (!value->is_boolean())
            return fail(key, "a boolean", *value);
        field = value->get<bool>();
    }

    template <typename Enum> void readCase(const char *key, Enum &field)
    {
        const nlohmann::json *value = find(key);
        if (!value)
            return;
        if (!value->is_string())
            return fail(key, "a string", *value);
        const auto &raw = value->get_ref<const std::string &>();
        const std::optional<Enum> parsed = fromRawValue<Enum>(raw);
        if (!parsed)
            return failWith(key, "unknown value \"" + raw + "\"");
        field = *parsed;
    }

private:
    // Absent and null keys both mean "use the default"; after a failure nothing more is read.
    const nlohmann::json *find(const char *key) const
    {
        if (!m_error.empty())
            return nullptr;
        const auto it = m_object.find(key);
        if (it == m_object.end() || it->is_null())
            return nullptr;
        return &*it;
    }

    void fail(const char *key, std::string_view expected, const nlohmann::json &found)
    {
        failWith(key, "expected " + std::string(expected) + ", found " + std::string(jsonTypeName(found)));
    }

    void failWith(const char *key, const std::string &message)
    {
        if (m_error.empty())
            m_error = "\"" + std::string(key) + "\": " + message;
    }

    const nlohmann::json &m_object;
    std::string m_error;
};

} // namespace

template <RenameChoice Enum> std::span<const EnumCase<Enum>> enumCases()
{
    return tableOf(Enum {});
}

template <RenameChoice Enum> const EnumCase<Enum> &enumCase(Enum value)
{
    const auto &table = tableOf(value);
    for (const EnumCase<Enum> &row : table) {
        if (row.value == value)
            return row;
    }
    // Only a value cast from an integer outside the enumeration gets here.
    return table.front();
}

template <RenameChoice Enum> std::size_t enumIndex(Enum value)
{
    return static_cast<std::size_t>(&enumCase(value) - tableOf(value).data());
}

template <RenameChoice Enum> std::optional<Enum> fromRawValue(std::string_view raw)
{
    for (const EnumCase<Enum> &row : tableOf(Enum {})) {
        if (row.rawValue == raw)
            return row.value;
    }
    return std::nullopt;
}

template std::span<const EnumCase<RenameStrategy>> enumCases<RenameStrategy>();
template const EnumCase<RenameStrategy> &enumCase<RenameStrategy>(RenameStrategy value);
template std::size_t enumIndex<RenameStrategy>(RenameStrategy value);
template std::optional<RenameStrategy> fromRawValue<RenameStrategy>(std::string_view raw);
template std::span<const EnumCase<DateSource>> enumCases<DateSource>();
template const EnumCase<DateSource> &enumCase<DateSource>(DateSource value);
template std::size_t enumIndex<DateSource>(DateSource value);
template std::optional<DateSource> fromRawValue<DateSource>(std::string_view raw);
template std::span<const EnumCase<DateNameFormat>> enumCases<DateNameFormat>();
template const EnumCase<DateNameFormat> &enumCase<DateNameFormat>(DateNameFormat value);
template std::size_t enumIndex<DateNameFormat>(DateNameFormat value);
template std::optional<DateNameFormat> fromRawValue<DateNameFormat>(std::string_view raw);
template std::span<const EnumCase<DatePosition>> enumCases<DatePosition>();
template const EnumCase<DatePosition> &enumCase<DatePosition>(DatePosition value);
template std::size_t enumIndex<DatePosition>(DatePosition value);
template std::optional<DatePosition> fromRawValue<DatePosition>(std::string_view raw);

nlohmann::json RenameParameters::toJson() const
{
    // nlohmann::json keeps its keys sorted, so the written order is alphabetical whatever the insertion order;
    // readers look keys up by name.
    nlohmann::json json = nlohmann::json::object();
    json["strategy"] = rawValue(strategy);
    json["prefixText"] = prefixText;
    json["suffixText"] = suffixText;
    json["searchText"] = searchText;
    json["replaceText"] = replaceText;
    json["sequenceStart"] = sequenceStart;
    json["sequencePadding"] = sequencePadding;
    json["sequenceSeparator"] = sequenceSeparator;
    json["preserveExtension"] = preserveExtension;
    json["dateSource"] = rawValue(dateSource);
    json["dateFormat"] = rawValue(dateFormat);
    json["dateIncludeSequence"] = dateIncludeSequence;
    json["datePosition"] = rawValue(datePosition);
    json["useRegularExpression"] = useRegularExpression;
    const RenameParameters defaults;
    const auto writeChanged = [&json](const char *key, const auto &value, const auto &defaultValue) {
        if (value != defaultValue)
            json[key] = value;
    };
    writeChanged("insertText", insertText, defaults.insertText);
    writeChanged("insertPosition", insertPosition, defaults.insertPosition);
    writeChanged("insertFromEnd", insertFromEnd, defaults.insertFromEnd);
    writeChanged("removePosition", removePosition, defaults.removePosition);
    writeChanged("removeCount", removeCount, defaults.removeCount);
    writeChanged("removeFromEnd", removeFromEnd, defaults.removeFromEnd);
    writeChanged("sequenceStep", sequenceStep, defaults.sequenceStep);
    writeChanged("sequenceRestartPerFolder", sequenceRestartPerFolder, defaults.sequenceRestartPerFolder);
    return json;
}

Result<RenameParameters> RenameParameters::fromJson(const nlohmann::json &json)
{
    try {
        if (!json.is_object())
            return Error { "rename parameters: expected an object, found " + std::string(jsonTypeName(json)) };
        RenameParameters parameters;
        Decoder decoder(json);
        decoder.readCase("strategy", parameters.strategy);
        decoder.readString("prefixText", parameters.prefixText);
        decoder.readString("suffixText", parameters.suffixText);
        decoder.readString("searchText", parameters.searchText);
        decoder.readString("replaceText", parameters.replaceText);
        decoder.readInteger("sequenceStart", parameters.sequenceStart);
        decoder.readInteger("sequencePadding", parameters.sequencePadding);
        decoder.readString("sequenceSeparator", parameters.sequenceSeparator);
        decoder.readBoolean("preserveExtension", parameters.preserveExtension);
        decoder.readCase("dateSource", parameters.dateSource);
        decoder.readCase("dateFormat", parameters.dateFormat);
        decoder.readBoolean("dateIncludeSequence", parameters.dateIncludeSequence);
        decoder.readCase("datePosition", parameters.datePosition);
        decoder.readBoolean("useRegularExpression", parameters.useRegularExpression);
        decoder.readString("insertText", parameters.insertText);
        decoder.readInteger("insertPosition", parameters.insertPosition);
        decoder.readBoolean("insertFromEnd", parameters.insertFromEnd);
        decoder.readInteger("removePosition", parameters.removePosition);
        decoder.readInteger("removeCount", parameters.removeCount);
        decoder.readBoolean("removeFromEnd", parameters.removeFromEnd);
        decoder.readInteger("sequenceStep", parameters.sequenceStep);
        decoder.readBoolean("sequenceRestartPerFolder", parameters.sequenceRestartPerFolder);
        if (!decoder.error().empty())
            return Error { decoder.error() };
        // A step of 0 would give every file the same number.
        if (parameters.sequenceStep == 0)
            return Error { "\"sequenceStep\": must not be 0" };
        return parameters;
    } catch (const std::exception &exception) {
        // nlohmann_json (and allocation) report failures by exceptions, which must not leave the engine.
        return Error { std::string("rename parameters: ") + exception.what() };
    }
}

std::span<const std::string_view> RenameParameters::jsonKeys()
{
    return keys;
}

bool RenameParameters::isRepresentableByEarlierReleases() const
{
    RenameParameters laterFieldsOnly;
    laterFieldsOnly.insertText = insertText;
    laterFieldsOnly.insertPosition = insertPosition;
    laterFieldsOnly.insertFromEnd = insertFromEnd;
    laterFieldsOnly.removePosition = removePosition;
    laterFieldsOnly.removeCount = removeCount;
    laterFieldsOnly.removeFromEnd = removeFromEnd;
    laterFieldsOnly.sequenceStep = sequenceStep;
    laterFieldsOnly.sequenceRestartPerFolder = sequenceRestartPerFolder;
    return enumIndex(strategy) <= enumIndex(lastEarlierStrategy) && laterFieldsOnly == RenameParameters {};
}
