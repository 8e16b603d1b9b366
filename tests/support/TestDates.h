#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include "FileItem.h"

/// The instant of a UTC calendar date and time.
inline TimePoint utc(int year, unsigned month, unsigned day, int hour = 12, int minute = 0, int second = 0)
{
    using namespace std::chrono;
    return TimePoint(sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day)) + hours(hour)
        + minutes(minute) + seconds(second));
}

/// "2024-07-14 16:30:05Z" or "none", written by ICU in UTC with the calendar that names files.
inline std::string describe(const std::optional<TimePoint> &date)
{
    if (!date)
        return "none";
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(icu::UnicodeString(u"yyyy-MM-dd HH:mm:ss'Z'"), icu::Locale("en_US_POSIX"), status);
    format.adoptTimeZone(icu::TimeZone::createTimeZone("UTC"));
    icu::UnicodeString text;
    format.format(
        static_cast<UDate>(std::chrono::floor<std::chrono::milliseconds>(*date).time_since_epoch().count()), text);
    std::string result;
    text.toUTF8String(result);
    return U_SUCCESS(status) ? result : "format failed";
}
