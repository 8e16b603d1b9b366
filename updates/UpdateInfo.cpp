#include "UpdateInfo.h"

#include <string>

#include <nlohmann/json.hpp>

namespace {

std::optional<QString> stringMember(const nlohmann::json &object, const char *name)
{
    const auto found = object.find(name);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    return QString::fromStdString(found->get_ref<const std::string &>());
}

// The address is opened in the user's browser, so only web addresses qualify: a feed (or a proxy on the way)
// must not be able to make the application open a local file or run script.
bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.isRelative() && (scheme == u"https" || scheme == u"http") && !url.host().isEmpty();
}

} // namespace

std::optional<UpdateInfo> UpdateInfo::fromFeed(const QByteArray &body)
{
    if (body.isEmpty() || body.size() > maximumFeedSize)
        return std::nullopt;
    // Parsing without exceptions: a malformed body comes back as a discarded value.
    const nlohmann::json feed = nlohmann::json::parse(body.cbegin(), body.cend(), nullptr, false);
    if (feed.is_discarded() || !feed.is_object())
        return std::nullopt;
    const auto releases = feed.find("releases");
    if (releases == feed.end() || !releases->is_array() || releases->empty())
        return std::nullopt;
    for (const nlohmann::json &release : *releases) {
        if (!release.is_object())
            return std::nullopt;
    }

    const nlohmann::json &newest = releases->front();
    const std::optional<QString> version = stringMember(newest, "version");
    const std::optional<QString> urlText = stringMember(newest, "url");
    if (!version || !urlText)
        return std::nullopt;
    const QUrl url(*urlText, QUrl::StrictMode);
    if (!isWebAddress(url))
        return std::nullopt;

    std::optional<QString> notes = stringMember(newest, "notes_en");
    if (!notes)
        notes = stringMember(newest, "notes");
    return UpdateInfo { *version, url, notes };
}
