#include "RenamePreset.h"

#include <tuple>
#include <utility>

#include <nlohmann/json.hpp>

#include "Log.h"
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

// The numbering order is one optional key of the preset object. Every release so far ignores keys it does not
// know in a preset object (and in "parameters"), so a preset saved with an order still loads in them, numbered by
// name; the order is not a rename setting, so it stays out of "parameters" (the object --params takes) and out of
// the rules. Name ascending, the order of presets stored before, is written as no key at all.
constexpr std::pair<FileOrder, const char *> orderNames[] { { FileOrder::name, "name" },
    { FileOrder::natural, "natural" }, { FileOrder::dateModified, "dateModified" },
    { FileOrder::dateCreated, "dateCreated" }, { FileOrder::size, "size" } };

std::optional<std::pair<FileOrder, bool>> decodeOrder(const nlohmann::json &json)
{
    if (!json.is_object())
        return std::nullopt;
    const auto by = json.find("by");
    const auto ascending = json.find("ascending");
    if (by == json.end() || !by->is_string() || (ascending != json.end() && !ascending->is_boolean()))
        return std::nullopt;
    for (const auto &[order, name] : orderNames) {
        if (*by == name)
            return std::pair(order, ascending == json.end() || ascending->get<bool>());
    }
    return std::nullopt;
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
    if (order != FileOrder::name || !orderAscending) {
        for (const auto &[candidate, orderName] : orderNames) {
            if (candidate == order)
                json["order"] = { { "by", orderName }, { "ascending", orderAscending } };
        }
    }
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
    if (const auto order = json.find("order"); order != json.end() && !order->is_null()) {
        if (const auto decoded = decodeOrder(*order)) {
            std::tie(preset.order, preset.orderAscending) = *decoded;
        } else {
            logMessage("The preset \"" + name->get<std::string>() + "\" has a numbering order that cannot be read ("
                + order->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "); it numbers by name.");
        }
    }
    return preset;
}
