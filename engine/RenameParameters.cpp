#include "RenameParameters.h"

#include <limits>

#include <nlohmann/json.hpp>

namespace {

// The case lists by enumeration, so that one template can search any of them.
constexpr const auto &casesOf(RenameStrategy) { return allRenameStrategies; }
constexpr const auto &casesOf(DateSource) { return allDateSources; }
constexpr const auto &casesOf(DateNameFormat) { return allDateNameFormats; }
constexpr const auto &casesOf(DatePosition) { return allDatePositions; }

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

std::string_view rawValue(RenameStrategy value)
{
    switch (value) {
    case RenameStrategy::prefix:
        return "prefix";
    case RenameStrategy::suffix:
        return "suffix";
    case RenameStrategy::replace:
        return "replace";
    case RenameStrategy::prefixSequence:
        return "prefixSequence";
    case RenameStrategy::suffixSequence:
        return "suffixSequence";
    case RenameStrategy::dateName:
        return "dateName";
    case RenameStrategy::uppercase:
        return "uppercase";
    case RenameStrategy::lowercase:
        return "lowercase";
    }
    return {};
}

std::string_view rawValue(DateSource value)
{
    switch (value) {
    case DateSource::capture:
        return "capture";
    case DateSource::created:
        return "created";
    case DateSource::modified:
        return "modified";
    }
    return {};
}

std::string_view rawValue(DateNameFormat value)
{
    switch (value) {
    case DateNameFormat::iso:
        return "iso";
    case DateNameFormat::underscored:
        return "underscored";
    case DateNameFormat::compact:
        return "compact";
    case DateNameFormat::yearMonth:
        return "yearMonth";
    }
    return {};
}

std::string_view rawValue(DatePosition value)
{
    switch (value) {
    case DatePosition::prefix:
        return "prefix";
    case DatePosition::suffix:
        return "suffix";
    }
    return {};
}

template <typename Enum> std::optional<Enum> fromRawValue(std::string_view raw)
{
    for (const Enum value : casesOf(Enum {})) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

template std::optional<RenameStrategy> fromRawValue<RenameStrategy>(std::string_view raw);
template std::optional<DateSource> fromRawValue<DateSource>(std::string_view raw);
template std::optional<DateNameFormat> fromRawValue<DateNameFormat>(std::string_view raw);
template std::optional<DatePosition> fromRawValue<DatePosition>(std::string_view raw);

std::string_view datePattern(DateNameFormat format)
{
    switch (format) {
    case DateNameFormat::iso:
        return "yyyy-MM-dd";
    case DateNameFormat::underscored:
        return "yyyy_MM_dd";
    case DateNameFormat::compact:
        return "yyyyMMdd";
    case DateNameFormat::yearMonth:
        return "yyyy-MM";
    }
    return "yyyy-MM-dd";
}

std::string_view sampleLabel(DateNameFormat format)
{
    switch (format) {
    case DateNameFormat::iso:
        return "2026-09-30";
    case DateNameFormat::underscored:
        return "2026_09_30";
    case DateNameFormat::compact:
        return "20260930";
    case DateNameFormat::yearMonth:
        return "2026-09";
    }
    return "2026-09-30";
}

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
    return json;
}

std::optional<RenameParameters> RenameParameters::fromJson(const nlohmann::json &json, std::string *error)
{
    try {
        if (!json.is_object()) {
            if (error)
                *error = "rename parameters: expected an object, found " + std::string(jsonTypeName(json));
            return std::nullopt;
        }
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
        if (!decoder.error().empty()) {
            if (error)
                *error = decoder.error();
            return std::nullopt;
        }
        return parameters;
    } catch (const std::exception &exception) {
        // nlohmann_json (and allocation) report failures by exceptions, which must not leave the engine.
        if (error)
            *error = std::string("rename parameters: ") + exception.what();
        return std::nullopt;
    }
}
