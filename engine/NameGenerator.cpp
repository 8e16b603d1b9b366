#include "NameGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "FilePaths.h"
#include "IcuText.h"
#include "Unicode.h"

namespace {

// The match budget for one name, in ICU's time-limit units of ten thousand match-engine steps (about 0.15 ms
// each on a current desktop core). A name is at most 255 bytes, so even a pattern that rescans the whole name
// from every position (quadratic, about 65,000 steps) stays well inside 20 units; only runaway backtracking such
// as "(a+)+$" on "aaa...b" reaches the limit, and it then costs a few milliseconds instead of freezing the
// preview, and that name keeps its stem.
constexpr int32_t regexTimeLimit = 20;

// A component name cannot be longer than 255 bytes, so wider zero padding can never produce a usable name;
// the cap only keeps a huge setting from allocating a huge text.
constexpr std::int64_t maximumPadding = 255;

using IcuText::fromUtf8;
using IcuText::toUtf8;

// Typed texts may come from outside the program (a command line, a preset); ill-formed bytes are replaced by
// U+FFFD so that every generated name is well-formed UTF-8.
std::string wellFormed(std::string text)
{
    return Unicode::isValidUtf8(text) ? text : toUtf8(fromUtf8(text));
}

/// "/" becomes "-" and control characters (C0 and DEL, NUL among them) are removed: the rewrite applied to
/// expanded regular-expression templates, whose escapes ("\u000A") can produce characters the typed template did
/// not contain. A name holding a line break or an escape sequence would forge lines and drive terminals.
std::string withoutSeparators(std::string text)
{
    std::replace(text.begin(), text.end(), '/', '-');
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7f'; });
    return text;
}

std::string sequenceNumber(std::int64_t value, std::int64_t padding)
{
    // printf-style "%0Nd" keeps a minus sign inside the width; a width of zero or less means no padding.
    const int width = static_cast<int>(std::clamp<std::int64_t>(padding, 0, maximumPadding));
    char buffer[maximumPadding + 32];
    const int length = std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

/// Advances a sequence counter by one. Past the largest value it wraps to the smallest (two's complement,
/// computed in unsigned arithmetic so it is defined), which keeps numbers distinct within a list.
void advance(std::int64_t &counter)
{
    counter = static_cast<std::int64_t>(static_cast<std::uint64_t>(counter) + 1U);
}

UDate toUDate(TimePoint time)
{
    return static_cast<UDate>(std::chrono::floor<std::chrono::milliseconds>(time).time_since_epoch().count());
}

/// A private copy of the process-wide date formatter for `format` in the host's current time zone, or null.
/// Creating a formatter loads locale data and is costly, so the shared ones live for the whole process in a
/// table guarded by one lock; callers format with their own copy outside the lock, so no formatter object is
/// ever used by two threads.
std::unique_ptr<icu::DateFormat> copyOfDateFormatter(DateNameFormat format)
{
    // The zone is read per planning call rather than taken from ICU's default, which ICU fixes at first use;
    // keying the table by zone lets a changed TZ take effect.
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    if (!zone)
        return nullptr;
    icu::UnicodeString zoneId;
    zone->getID(zoneId);

    static std::mutex mutex;
    static std::map<std::pair<DateNameFormat, std::string>, std::unique_ptr<icu::SimpleDateFormat>> table;
    const std::lock_guard lock(mutex);
    auto &formatter = table[{ format, toUtf8(zoneId) }];
    if (!formatter) {
        UErrorCode status = U_ZERO_ERROR;
        auto created = std::make_unique<icu::SimpleDateFormat>(
            fromUtf8(datePattern(format)), icu::Locale("en_US_POSIX"), status);
        if (U_FAILURE(status))
            return nullptr;
        created->adoptTimeZone(zone.release());
        formatter = std::move(created);
    }
    return std::unique_ptr<icu::DateFormat>(formatter->clone());
}

} // namespace

std::string sanitizeNameText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c == '/' || c == ':')
            result += '-';
        else if (c != '\0')
            result += c;
    }
    return result;
}

NameParts splitName(std::string_view name, bool keepExtension)
{
    const std::string_view extension = keepExtension ? FilePaths::pathExtension(name) : std::string_view();
    if (extension.empty())
        return { std::string(name), {} };
    const std::size_t stemLength = name.size() - extension.size() - 1;
    return { std::string(name.substr(0, stemLength)), std::string(name.substr(stemLength)) };
}

struct NameGenerator::Impl {
    Impl(const RenameParameters &parameters, FileMetadataProviding &metadata);

    std::string transformStem(const std::string &stem, const FileItem &file, std::int64_t &counter);
    std::string replaced(const std::string &stem);
    std::string replacedPlain(const std::string &stem);
    std::optional<std::string> replacedByPattern(const std::string &stem);
    std::string dateName(const std::string &stem, const FileItem &file, std::int64_t &counter);
    std::optional<std::string> dateText(const FileItem &file);
    std::string takeNumber(std::int64_t &counter) const;

    RenameParameters m_parameters;
    FileMetadataProviding &m_metadata;
    std::string m_prefix;
    std::string m_suffix;
    std::string m_replacement;
    std::string m_separator;

    // The matcher and the grapheme iterator point at their input text between names, so they are parked on
    // this empty text, which outlives both.
    icu::UnicodeString m_noInput;

    // Plain replace: the search text in decomposed form and a grapheme iterator, so that a match never
    // takes part of a character (an "e" inside a decomposed "é").
    icu::UnicodeString m_searchNFD;
    std::unique_ptr<icu::BreakIterator> m_characters;

    // Regular-expression replace: compiled once for the whole list; null when the pattern is unusable.
    std::unique_ptr<icu::RegexPattern> m_pattern;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
    icu::UnicodeString m_template;
    // Names the pattern ran out of time on.
    std::int64_t m_timedOut = 0;

    // Date names: a private copy of the shared formatter, fetched on first use.
    bool m_formatterFetched = false;
    std::unique_ptr<icu::DateFormat> m_formatter;
};

NameGenerator::Impl::Impl(const RenameParameters &parameters, FileMetadataProviding &metadata)
    : m_parameters(parameters)
    , m_metadata(metadata)
    , m_prefix(wellFormed(sanitizeNameText(parameters.prefixText)))
    , m_suffix(wellFormed(sanitizeNameText(parameters.suffixText)))
    , m_replacement(wellFormed(sanitizeNameText(parameters.replaceText)))
    , m_separator(wellFormed(sanitizeNameText(parameters.sequenceSeparator)))
{
    if (parameters.strategy != RenameStrategy::replace || parameters.searchText.empty())
        return;
    UErrorCode status = U_ZERO_ERROR;
    if (!parameters.useRegularExpression) {
        m_searchNFD = fromUtf8(Unicode::toNFD(wellFormed(parameters.searchText)));
        m_characters.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            m_characters.reset();
        return;
    }
    UParseError parseError {};
    std::unique_ptr<icu::RegexPattern> pattern(
        icu::RegexPattern::compile(fromUtf8(wellFormed(parameters.searchText)), 0, parseError, status));
    if (U_FAILURE(status) || !pattern)
        return;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(status));
    if (U_FAILURE(status) || !matcher)
        return;
    matcher->setTimeLimit(regexTimeLimit, status);
    if (U_FAILURE(status))
        return;
    m_pattern = std::move(pattern);
    m_matcher = std::move(matcher);
    m_template = fromUtf8(m_replacement);
}

std::string NameGenerator::Impl::takeNumber(std::int64_t &counter) const
{
    std::string number = sequenceNumber(counter, m_parameters.sequencePadding);
    advance(counter);
    return number;
}

std::string NameGenerator::Impl::transformStem(const std::string &stem, const FileItem &file, std::int64_t &counter)
{
    switch (m_parameters.strategy) {
    case RenameStrategy::prefix:
        return m_prefix + stem;
    case RenameStrategy::suffix:
        return stem + m_suffix;
    case RenameStrategy::replace:
        return replaced(stem);
    case RenameStrategy::prefixSequence: {
        std::string number = takeNumber(counter);
        return stem.empty() ? number : number + m_separator + stem;
    }
    case RenameStrategy::suffixSequence: {
        std::string number = takeNumber(counter);
        return stem.empty() ? number : stem + m_separator + number;
    }
    case RenameStrategy::dateName:
        return dateName(stem, file, counter);
    case RenameStrategy::uppercase:
        return Unicode::toUpper(stem);
    case RenameStrategy::lowercase:
        return Unicode::toLower(stem);
    }
    return stem;
}

std::string NameGenerator::Impl::replaced(const std::string &stem)
{
    if (m_parameters.searchText.empty())
        return stem;
    std::string result;
    if (!m_parameters.useRegularExpression) {
        result = replacedPlain(stem);
    } else {
        std::optional<std::string> expanded = replacedByPattern(stem);
        if (!expanded)
            return stem;
        result = std::move(*expanded);
    }
    // A rename never empties a stem.
    return result.empty() ? stem : result;
}

std::string NameGenerator::Impl::replacedPlain(const std::string &stem)
{
    // Both sides are compared decomposed so that canonically equivalent spellings match; the final NFC step
    // of newName recomposes what is left.
    const icu::UnicodeString source = fromUtf8(Unicode::toNFD(stem));
    const icu::UnicodeString replacement = fromUtf8(m_replacement);
    if (m_characters)
        m_characters->setText(source);
    icu::UnicodeString result;
    int32_t copied = 0;
    int32_t from = 0;
    while (from <= source.length()) {
        const int32_t found = source.indexOf(m_searchNFD, from);
        if (found < 0)
            break;
        const int32_t end = found + m_searchNFD.length();
        const bool wholeCharacters
            = !m_characters || (m_characters->isBoundary(found) && m_characters->isBoundary(end));
        if (!wholeCharacters) {
            from = found + 1;
            continue;
        }
        result.append(source, copied, found - copied);
        result.append(replacement);
        copied = end;
        from = end;
    }
    result.append(source, copied, source.length() - copied);
    // The iterator points into `source`; park it on text that outlives it.
    if (m_characters)
        m_characters->setText(m_noInput);
    return toUtf8(result);
}

std::optional<std::string> NameGenerator::Impl::replacedByPattern(const std::string &stem)
{
    if (!m_matcher)
        return std::nullopt;
    // The matcher keeps a pointer to its input: `input` lives until the matcher is done with it here.
    const icu::UnicodeString input = fromUtf8(stem);
    m_matcher->reset(input);
    icu::UnicodeString result;
    UErrorCode status = U_ZERO_ERROR;
    // replaceAll would hide a time-out behind a success status; find() reports it.
    while (m_matcher->find(status) && U_SUCCESS(status)) {
        m_matcher->appendReplacement(result, m_template, status);
        if (U_FAILURE(status))
            break;
    }
    if (U_SUCCESS(status))
        m_matcher->appendTail(result);
    // Drop the pointer to `input` before it goes out of scope.
    m_matcher->reset(m_noInput);
    if (status == U_REGEX_TIME_OUT)
        ++m_timedOut;
    if (U_FAILURE(status))
        return std::nullopt;
    return withoutSeparators(toUtf8(result));
}

std::optional<std::string> NameGenerator::Impl::dateText(const FileItem &file)
{
    if (!m_formatterFetched) {
        m_formatter = copyOfDateFormatter(m_parameters.dateFormat);
        m_formatterFetched = true;
    }
    if (!m_formatter)
        return std::nullopt;
    TimePoint date = file.creationDate;
    switch (m_parameters.dateSource) {
    case DateSource::capture:
        if (const std::optional<TimePoint> captured = m_metadata.captureDate(file.url.path()))
            date = *captured;
        break;
    case DateSource::created:
        break;
    case DateSource::modified:
        date = file.modificationDate;
        break;
    }
    icu::UnicodeString text;
    m_formatter->format(toUDate(date), text);
    return toUtf8(text);
}

std::string NameGenerator::Impl::dateName(const std::string &stem, const FileItem &file, std::int64_t &counter)
{
    const std::optional<std::string> date = dateText(file);
    if (m_parameters.dateIncludeSequence) {
        std::string number = takeNumber(counter);
        return date ? *date + m_separator + number : stem;
    }
    if (!date)
        return stem;
    if (stem.empty())
        return *date;
    return m_parameters.datePosition == DatePosition::suffix ? stem + m_separator + *date : *date + m_separator + stem;
}

NameGenerator::NameGenerator(const RenameParameters &parameters, FileMetadataProviding &metadata)
    : m_impl(std::make_unique<Impl>(parameters, metadata))
{
}

NameGenerator::~NameGenerator() = default;

std::int64_t NameGenerator::timedOutNames() const
{
    return m_impl->m_timedOut;
}

std::string NameGenerator::newName(const FileItem &file, std::int64_t &counter)
{
    const NameParts parts = splitName(file.name, m_impl->m_parameters.preserveExtension);
    std::string name = Unicode::toNFC(m_impl->transformStem(parts.stem, file, counter) + parts.dottedExtension);
    // "." and ".." name the folder itself or its parent; a replacement that produces one is unusable.
    if (name == "." || name == "..")
        return Unicode::toNFC(file.name);
    return name;
}
