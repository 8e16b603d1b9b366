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

std::optional<RenamePreset> fail(std::string *error, const std::string &message)
{
    if (error)
        *error = "preset: " + message;
    return std::nullopt;
}

} // namespace

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

std::optional<RenamePreset> RenamePreset::fromJson(const nlohmann::json &json, std::string *error)
{
    if (!json.is_object())
        return fail(error, "expected an object");
    const auto id = json.find("id");
    const auto name = json.find("name");
    const auto parameters = json.find("parameters");
    const auto includeSubfolders = json.find("includeSubfolders");
    const auto includeExtensions = json.find("includeExtensions");
    if (id == json.end() || !id->is_string() || !isUuidText(id->get_ref<const std::string &>()))
        return fail(error, "\"id\" must be a UUID text");
    if (name == json.end() || !name->is_string())
        return fail(error, "\"name\" must be a string");
    if (parameters == json.end() || !parameters->is_object())
        return fail(error, "\"parameters\" must be an object");
    if (includeSubfolders == json.end() || !includeSubfolders->is_boolean())
        return fail(error, "\"includeSubfolders\" must be a Boolean");
    if (includeExtensions == json.end() || !includeExtensions->is_array())
        return fail(error, "\"includeExtensions\" must be an array of strings");

    RenamePreset preset;
    std::string parametersError;
    const std::optional<RenameParameters> decodedParameters = RenameParameters::fromJson(*parameters, &parametersError);
    if (!decodedParameters)
        return fail(error, parametersError);
    preset.parameters = *decodedParameters;
    for (const nlohmann::json &extension : *includeExtensions) {
        if (!extension.is_string())
            return fail(error, "\"includeExtensions\" must be an array of strings");
        preset.includeExtensions.append(QtConversions::toQString(extension.get_ref<const std::string &>()));
    }
    preset.id = QUuid::fromString(QtConversions::toQString(id->get_ref<const std::string &>()));
    preset.name = QtConversions::toQString(name->get_ref<const std::string &>());
    preset.includeSubfolders = includeSubfolders->get<bool>();
    return preset;
}
