#include "PhotoMetadataService.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <system_error>
#include <utility>

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "CaptureDateReader.h"
#include "FilePaths.h"
#include "Log.h"

namespace {

constexpr int32_t kExifDateLength = 19; // "yyyy:MM:dd HH:mm:ss"

/// One formatter of the EXIF date pattern in one zone. ICU documents date formats as unsynchronised, so each
/// is used under its own mutex; that mutex is never taken while the cache's lock is held.
struct ExifFormatter {
    std::mutex use;
    std::unique_ptr<icu::SimpleDateFormat> format;
};

/// Formatters by UTC offset in seconds at the moment of the request, and by zone ID: a fixed "GMT-04:00" and
/// "America/New_York" share an offset in summer, but only the latter reads a January date as UTC-5, so
/// sharing one formatter between them would move winter dates by an hour.
struct ExifFormatterCache {
    std::mutex lock;
    std::map<std::pair<std::int32_t, std::string>, std::unique_ptr<ExifFormatter>> formatters;
};

ExifFormatterCache &exifFormatterCache()
{
    // Never destroyed, so a thread still parsing while the process exits never meets a dead cache.
    static auto *cache = new ExifFormatterCache();
    return *cache;
}

std::unique_ptr<icu::SimpleDateFormat> makeExifFormat(const icu::TimeZone &zone)
{
    UErrorCode status = U_ZERO_ERROR;
    // "en_US_POSIX" answers with a harmless fallback warning; only a failure counts.
    auto format = std::make_unique<icu::SimpleDateFormat>(
        icu::UnicodeString(u"yyyy:MM:dd HH:mm:ss"), icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status))
        return nullptr;
    format->setLenient(false);
    for (const auto attribute : { UDAT_PARSE_ALLOW_WHITESPACE, UDAT_PARSE_ALLOW_NUMERIC,
             UDAT_PARSE_PARTIAL_LITERAL_MATCH, UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH }) {
        format->setBooleanAttribute(attribute, false, status);
    }
    if (U_FAILURE(status))
        return nullptr;
    format->setTimeZone(zone);
    return format;
}

/// The cached formatter for `zone`, made on first use; null only if ICU cannot make one.
ExifFormatter *exifFormatter(const icu::TimeZone &zone)
{
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t rawOffset = 0;
    std::int32_t dstOffset = 0;
    zone.getOffset(icu::Calendar::getNow(), false, rawOffset, dstOffset, status);
    const std::int32_t offsetSeconds = U_SUCCESS(status) ? (rawOffset + dstOffset) / 1000 : 0;
    icu::UnicodeString id;
    zone.getID(id);
    std::string key;
    id.toUTF8String(key);

    ExifFormatterCache &cache = exifFormatterCache();
    std::lock_guard guard(cache.lock);
    auto &entry = cache.formatters[{ offsetSeconds, key }];
    if (!entry) {
        auto format = makeExifFormat(zone);
        if (!format) {
            cache.formatters.erase({ offsetSeconds, key });
            logMessage("PhotoMetadataService: cannot make a date formatter for zone " + key);
            return nullptr;
        }
        entry = std::make_unique<ExifFormatter>();
        entry->format = std::move(format);
    }
    return entry.get();
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

/// Whether `text` has digits and separators where "yyyy:MM:dd HH:mm:ss" has them. ICU's parser, even when
/// strict, skips a doubled space and stops early before trailing text, so the shape is checked first.
bool hasExifDateShape(const icu::UnicodeString &text)
{
    static constexpr char16_t kShape[] = u"dddd:dd:dd dd:dd:dd";
    if (text.length() != kExifDateLength)
        return false;
    for (int32_t i = 0; i < kExifDateLength; ++i) {
        const char16_t expected = kShape[i];
        const char16_t actual = text.charAt(i);
        if (expected == u'd' ? !isDigit(actual) : actual != expected)
            return false;
    }
    return true;
}

} // namespace

PhotoMetadataService &PhotoMetadataService::shared()
{
    // Never destroyed: worker threads may still ask while the process exits.
    static auto *instance = new PhotoMetadataService();
    return *instance;
}

std::optional<TimePoint> PhotoMetadataService::captureDate(const std::filesystem::path &location)
{
    const std::string key = FilePaths::standardized(location).string();
    std::uint64_t moveCountBefore = 0;
    {
        std::lock_guard guard(m_lock);
        if (const auto found = m_cache.find(key); found != m_cache.end())
            return found->second;
        moveCountBefore = m_moveCount;
    }

    // Read without the lock, so that one slow file never stalls lookups of others; two threads may both read
    // the same file, and the later store wins.
    std::optional<TimePoint> result = CaptureDateReader::read(key);

    std::lock_guard guard(m_lock);
    // A move in the meantime may have put another file at this path; keep the answer out of the cache then.
    if (m_moveCount == moveCountBefore)
        m_cache.insert_or_assign(key, result);
    return result;
}

bool PhotoMetadataService::itemMovedUnnamed()
{
    // Nothing known about any file (a batch that reads no dates): only the count matters.
    std::lock_guard guard(m_lock);
    if (!m_cache.empty())
        return false;
    ++m_moveCount;
    return true;
}

void PhotoMetadataService::itemMoved(const FileLocation &from, const FileLocation &to)
{
    if (PhotoMetadataService::itemMovedUnnamed())
        return;
    // The engine's locations are standardised already; parsing them again would cost more than the rest.
    const auto key = [](const FileLocation &location) {
        return FilePaths::isStandardized(location.text()) ? std::string(location.text())
                                                          : FilePaths::standardized(location.path()).string();
    };
    const std::string fromKey = key(from);
    const std::string toKey = key(to);
    std::lock_guard guard(m_lock);
    ++m_moveCount;
    if (fromKey == toKey)
        return;
    auto node = m_cache.extract(fromKey);
    // Whatever was known about the path the file moved to described another file.
    m_cache.erase(toKey);
    if (!node.empty()) {
        node.key() = toKey;
        m_cache.insert(std::move(node));
    }
}

std::optional<std::int32_t> PhotoMetadataService::timeZoneFromExifOffset(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // The fourth character, normally ":", is not examined.
    if (!digit(text[1]) || !digit(text[2]) || !digit(text[4]) || !digit(text[5]))
        return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    const std::int32_t magnitude = hours * 3600 + minutes * 60;
    const std::int32_t seconds = text[0] == '-' ? -magnitude : magnitude;
    if (!fixedOffsetZone(seconds))
        return std::nullopt;
    return seconds;
}

std::unique_ptr<icu::TimeZone> PhotoMetadataService::fixedOffsetZone(std::int32_t secondsEast)
{
    const std::int64_t magnitude = secondsEast < 0 ? -std::int64_t { secondsEast } : std::int64_t { secondsEast };
    const long long hours = magnitude / 3600;
    const long long minutes = magnitude / 60 % 60;
    const long long seconds = magnitude % 60;
    char id[40];
    if (seconds == 0)
        std::snprintf(id, sizeof id, "GMT%c%02lld:%02lld", secondsEast < 0 ? '-' : '+', hours, minutes);
    else
        std::snprintf(id, sizeof id, "GMT%c%02lld:%02lld:%02lld", secondsEast < 0 ? '-' : '+', hours, minutes, seconds);
    // ICU does not fail here: it answers an unknown zone with offset 0 for an ID it rejects.
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(id)));
    if (!zone || *zone == icu::TimeZone::getUnknown() || zone->getRawOffset() != secondsEast * 1000)
        return nullptr;
    return zone;
}

std::optional<TimePoint> PhotoMetadataService::parseExifDateText(std::string_view text, const icu::TimeZone &zone)
{
    if (text.size() > INT32_MAX)
        return std::nullopt;
    const icu::UnicodeString whole
        = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    int32_t start = 0;
    int32_t end = whole.length();
    while (start < end && u_isUWhiteSpace(whole.charAt(start)))
        ++start;
    while (end > start && u_isUWhiteSpace(whole.charAt(end - 1)))
        --end;
    if (start == end)
        return std::nullopt;
    // Sub-seconds or a zone written after the seconds are dropped.
    const icu::UnicodeString trimmed = whole.tempSubString(start, std::min(end - start, kExifDateLength));
    if (!hasExifDateShape(trimmed))
        return std::nullopt;

    ExifFormatter *formatter = exifFormatter(zone);
    if (formatter == nullptr)
        return std::nullopt;
    // Each thread parses with its own copy of the shared formatter, made once under the formatter's mutex, so
    // that capture dates read on all cores do not queue behind one formatter.
    thread_local std::map<const ExifFormatter *, std::unique_ptr<icu::DateFormat>> ownCopies;
    std::unique_ptr<icu::DateFormat> &own = ownCopies[formatter];
    if (!own) {
        std::lock_guard guard(formatter->use);
        own.reset(formatter->format->clone());
    }
    if (!own)
        return std::nullopt;
    icu::ParsePosition position(0);
    const UDate parsed = own->parse(trimmed, position);
    // The strict parser still stops early without an error on some inputs, so the whole text must be used.
    if (position.getErrorIndex() >= 0 || position.getIndex() != kExifDateLength)
        return std::nullopt;
    return TimePoints::fromMilliseconds(parsed);
}
