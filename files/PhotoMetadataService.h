#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <unicode/timezone.h>

#include "FileItem.h"
#include "FileMetadataProviding.h"

/// Capture dates read from the EXIF and TIFF properties of photos and the container metadata of videos (see
/// CaptureDateReader), cached per standardised path for the life of the process (the answer "no date"
/// included). Thread-safe: may be called from any thread.
class PhotoMetadataService final : public FileMetadataProviding {
public:
    /// The one process-wide instance that the application hands to the rename engine; created on first use.
    static PhotoMetadataService &shared();

    /// A service with an empty cache. The application uses `shared()`; separate instances serve tests.
    PhotoMetadataService() = default;
    PhotoMetadataService(const PhotoMetadataService &) = delete;
    PhotoMetadataService &operator=(const PhotoMetadataService &) = delete;

    /// The moment the photo at `location` was taken: EXIF DateTimeOriginal, else DateTimeDigitized (both in the
    /// zone of OffsetTimeOriginal when it is usable, else in the current zone), else the TIFF DateTime in the
    /// current zone. None for anything that is not a readable image with such a date. The first answer for a
    /// path is kept for the rest of the run, even if the file changes on disk. The file is read without any
    /// lock held. Never fails.
    std::optional<TimePoint> captureDate(const std::filesystem::path &location) override;

    /// Moves the cached answer for `from` (if any) to `to` and forgets `from`; an answer already cached for `to`
    /// is replaced, or dropped when nothing was known about `from`. Call after the file was renamed or restored.
    void itemMoved(const FileLocation &from, const FileLocation &to) override;
    bool itemMovedUnnamed() override;

    /// The UTC offset written by an EXIF offset text such as "+09:00" or "-05:30", in seconds east of UTC.
    /// Spaces and tabs around the text are ignored; it must then be exactly six characters: a sign, two digits
    /// of hours, one separator (not examined) and two digits of minutes. None when the text has another shape
    /// or ICU rejects the offset as a time zone (for example "+25:00").
    static std::optional<std::int32_t> timeZoneFromExifOffset(std::string_view text);

    /// The fixed-offset ICU zone `secondsEast` seconds east of UTC ("GMT+02:00"), or null when ICU rejects it.
    static std::unique_ptr<icu::TimeZone> fixedOffsetZone(std::int32_t secondsEast);

    /// The moment written by an EXIF date text ("yyyy:MM:dd HH:mm:ss") read as a wall-clock time in `zone`.
    /// White space and line breaks around the text are ignored, and only its first 19 characters count (so
    /// trailing sub-seconds or zone text are dropped). None for any other shape or a date that does not exist
    /// (month 13, 30 February, hour 24, the "0000:00:00 00:00:00" placeholder). Thread-safe.
    static std::optional<TimePoint> parseExifDateText(std::string_view text, const icu::TimeZone &zone);

private:
    std::mutex m_lock; ///< guards m_cache and m_moveCount; never held while a file is read
    std::unordered_map<std::string, std::optional<TimePoint>> m_cache;
    /// Counts calls of itemMoved, so that an answer read while a file was being moved is not stored under a
    /// path that may by then name another file.
    std::uint64_t m_moveCount = 0;
};
