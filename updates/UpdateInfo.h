#pragma once

#include <optional>

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QUrl>

/// One published release as the update feed describes it. A plain value.
struct UpdateInfo final {
    /// The version text of the newest release, exactly as the feed gives it.
    QString latestVersion;
    /// Where the user downloads that release: always an absolute "https" or "http" address.
    QUrl downloadURL;
    /// Text describing the release; none when the feed gives no notes.
    std::optional<QString> releaseNotes;

    /// The largest feed body read, in bytes. A feed is a few kilobytes; anything longer is refused.
    static constexpr qsizetype maximumFeedSize = 1024 * 1024;

    /// The newest release of a feed body: a JSON object whose "releases" array of objects is not empty and whose
    /// first element has a "version" string and a "url" string naming an absolute https or http address.
    /// "notes_en" is the notes when it is a string, else "notes" when that is a string. Members not named here
    /// are ignored. None when the body is empty, longer than `maximumFeedSize`, not JSON, or lacks any of that.
    [[nodiscard]] static std::optional<UpdateInfo> fromFeed(const QByteArray &body);

    friend bool operator==(const UpdateInfo &, const UpdateInfo &) = default;
};

Q_DECLARE_METATYPE(UpdateInfo)
