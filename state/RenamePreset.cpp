#include "RenamePreset.h"

#include <nlohmann/json.hpp>

#include "QtConversions.h"

namespace {

// Only the canonical 36-character shape is an id; QUuid::fromString alone would also take braces.
bool isUuidText(const std::string &text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (hyphenPlace ? c != '-' : !hex)
            return false;
    }
    return true;
}

Error failure(const std::string &message)
{
    return Error { "preset: " + message };
}

} // namespace

RenameRuleList RenamePreset::ruleList() const
{
    return rules ? *rules : singleRule(parameters);
}

void RenamePreset::setRules(const RenameRuleList &list)
{
    if (!list.empty())
        parameters = list.front().parameters;
    if (list.size() == 1 && list.front().enabled)
        rules.reset();
    else
        rules = list;
}

nlohmann::json RenamePreset::toJsonWithRules() const
{
    nlohmann::json json = toJson();
    json["rules"] = renameRulesToJson(ruleList());
    return json;
}

nlohmann::json RenamePreset::toJson() const
{
    nlohmann::json extensions = nlohmann::json::array();
    for (const QString &extension : includeExtensions)
        extensions.push_back(QtConversions::toStdString(extension));
    nlohmann::json json = nlohmann::json::object();
    json["id"] = QtConversions::toStdString(id.toString(QUuid::WithoutBraces).toUpper());
    json["name"] = QtConversions::toStdString(name);
    json["parameters"] = parameters.toJson();
    json["includeSubfolders"] = includeSubfolders;
    json["includeExtensions"] = std::move(extensions);
    return json;
}

Result<RenamePreset> RenamePreset::fromJson(const nlohmann::json &json)
{
    if (!json.is_object())
        return failure("expected an object");
    const auto id = json.find("id");
    const auto name = json.find("name");
    const auto parameters = json.find("parameters");
    const auto includeSubfolders = json.find("includeSubfolders");
    const auto includeExtensions = json.find("includeExtensions");
    if (id == json.end() || !id->is_string() || !isUuidText(id->get_ref<const std::string &>()))
        return failure("\"id\" must be a UUID text");
    if (name == json.end() || !name->is_string())
        return failure("\"name\" must be a string");
    if (parameters == json.end() || !parameters->is_object())
        return failure("\"parameters\" must be an object");
    if (includeSubfolders == json.end() || !includeSubfolders->is_boolean())
        return failure("\"includeSubfolders\" must be a Boolean");
    if (includeExtensions == json.end() || !includeExtensions->is_array())
        return failure("\"includeExtensions\" must be an array of strings");

    RenamePreset preset;
    const Result<RenameParameters> decodedParameters = RenameParameters::fromJson(*parameters);
    if (!decodedParameters)
        return failure(decodedParameters.error().message);
    preset.parameters = *decodedParameters;
    if (const auto rules = json.find("rules"); rules != json.end() && !rules->is_null()) {
        if (!rules->is_array())
            return failure("\"rules\" must be an array of rules");
        Result<RenameRuleList> decodedRules = renameRulesFromJson(*rules);
        if (!decodedRules)
            return failure(decodedRules.error().message);
        preset.setRules(*decodedRules);
    }
    for (const nlohmann::json &extension : *includeExtensions) {
        if (!extension.is_string())
            return failure("\"includeExtensions\" must be an array of strings");
        preset.includeExtensions.append(QtConversions::toQString(extension.get_ref<const std::string &>()));
    }
    preset.id = QUuid::fromString(QtConversions::toQString(id->get_ref<const std::string &>()));
    preset.name = QtConversions::toQString(name->get_ref<const std::string &>());
    preset.includeSubfolders = includeSubfolders->get<bool>();
    return preset;
}
