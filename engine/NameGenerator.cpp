#include "NameGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
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

/// Advances a sequence counter by `step`. Past either end of the range it wraps around (two's complement,
/// computed in unsigned arithmetic so it is defined); with a step of 1 that keeps numbers distinct within a list.
void advance(std::int64_t &counter, std::int64_t step)
{
    counter = static_cast<std::int64_t>(static_cast<std::uint64_t>(counter) + static_cast<std::uint64_t>(step));
}

/// The grapheme boundaries of `text`, from 0 to its length: user-perceived characters, so that a position never
/// falls between a letter and its combining mark or inside a flag.
std::vector<int32_t> graphemeBoundaries(const icu::UnicodeString &text, icu::BreakIterator *characters)
{
    std::vector<int32_t> boundaries { 0 };
    if (!characters) {
        // Without the iterator, code points.
        for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
            boundaries.push_back(text.moveIndex32(i, 1));
        return boundaries;
    }
    characters->setText(text);
    for (int32_t next = characters->next(); next != icu::BreakIterator::DONE; next = characters->next())
        boundaries.push_back(next);
    return boundaries;
}

/// Index `count` graphemes in from the start or the end of a text of `total` graphemes, kept inside the text.
std::size_t graphemeIndex(std::int64_t count, bool fromEnd, std::size_t total)
{
    const auto inside = static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(total)));
    return fromEnd ? total - inside : inside;
}

bool isApostrophe(UChar32 c)
{
    return c == u'\'' || c == u'\u2019';
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
    std::string titleCased(const std::string &stem);
    std::string sentenceCased(const std::string &stem);
    std::string inserted(const std::string &stem);
    std::string removed(const std::string &stem);

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
    // takes part of a character (an "e" inside a decomposed "é"). Insert and remove count with the iterator.
    icu::UnicodeString m_searchNFD;
    std::unique_ptr<icu::BreakIterator> m_characters;
    std::string m_insertText;

    // Title and sentence case: a word or sentence iterator, made once per list (making one loads rules).
    std::unique_ptr<icu::BreakIterator> m_segments;

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
    , m_insertText(wellFormed(sanitizeNameText(parameters.insertText)))
{
    UErrorCode status = U_ZERO_ERROR;
    if (parameters.strategy == RenameStrategy::titleCase || parameters.strategy == RenameStrategy::sentenceCase) {
        m_segments.reset(parameters.strategy == RenameStrategy::titleCase
                ? icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status)
                : icu::BreakIterator::createSentenceInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            m_segments.reset();
        return;
    }
    if (parameters.strategy == RenameStrategy::insert || parameters.strategy == RenameStrategy::remove) {
        m_characters.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            m_characters.reset();
        return;
    }
    if (parameters.strategy != RenameStrategy::replace || parameters.searchText.empty())
        return;
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
    advance(counter, m_parameters.sequenceStep == 0 ? 1 : m_parameters.sequenceStep);
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
    case RenameStrategy::titleCase:
        return titleCased(stem);
    case RenameStrategy::sentenceCase:
        return sentenceCased(stem);
    case RenameStrategy::insert:
        return inserted(stem);
    case RenameStrategy::remove:
        return removed(stem);
    }
    return stem;
}

std::string NameGenerator::Impl::titleCased(const std::string &stem)
{
    // Words as Unicode word breaks find them, with two changes a reader of file names expects: "_" separates
    // words (the word rules join "my_holiday" as an identifier), and a single letter elided before an apostrophe
    // starts a word of its own ("d'été" gives "D'Été", "o'neill" gives "O'Neill", while "don't" stays one word).
    icu::UnicodeString source = fromUtf8(stem);
    // Without "_" or an apostrophe the word breaks alone decide.
    if (m_segments && source.indexOf(u'_') < 0 && source.indexOf(u'\'') < 0 && source.indexOf(u'\u2019') < 0) {
        source.toTitle(m_segments.get(), icu::Locale::getRoot());
        m_segments->setText(m_noInput);
        return toUtf8(source);
    }
    icu::UnicodeString result;
    int32_t pieceStart = 0;
    const auto flush = [&](int32_t end) {
        icu::UnicodeString piece(source, pieceStart, end - pieceStart);
        if (m_segments)
            piece.toTitle(m_segments.get(), icu::Locale::getRoot());
        else
            piece.toLower(icu::Locale::getRoot());
        result.append(piece);
        pieceStart = end;
    };
    for (int32_t i = 0; i < source.length(); i = source.moveIndex32(i, 1)) {
        const UChar32 c = source.char32At(i);
        const int32_t next = source.moveIndex32(i, 1);
        if (c == u'_') {
            flush(next);
            continue;
        }
        // A letter alone at the start of a word, an apostrophe, then a letter. Past the end char32At gives
        // U+FFFF, which is no letter, and before the first character the letter looked at is the apostrophe.
        if (isApostrophe(c) && u_isalpha(source.char32At(next))) {
            const int32_t letter = source.moveIndex32(i, -1);
            const bool alone = letter == 0 || !u_isalnum(source.char32At(source.moveIndex32(letter, -1)));
            if (u_isalpha(source.char32At(letter)) && alone)
                flush(next);
        }
    }
    flush(source.length());
    // The iterator points into a piece that is gone.
    if (m_segments)
        m_segments->setText(m_noInput);
    return toUtf8(result);
}

std::string NameGenerator::Impl::sentenceCased(const std::string &stem)
{
    // The first letter or digit of each sentence in title case, everything else lower case ("2ND PLACE" gives
    // "2nd place").
    icu::UnicodeString text = fromUtf8(stem);
    if (m_segments) {
        text.toTitle(m_segments.get(), icu::Locale::getRoot());
        m_segments->setText(m_noInput);
    } else {
        text.toLower(icu::Locale::getRoot());
    }
    return toUtf8(text);
}

std::string NameGenerator::Impl::inserted(const std::string &stem)
{
    if (m_insertText.empty())
        return stem;
    const icu::UnicodeString source = fromUtf8(stem);
    const std::vector<int32_t> boundaries = graphemeBoundaries(source, m_characters.get());
    if (m_characters)
        m_characters->setText(m_noInput);
    // A position past either end puts the text at that end.
    const std::size_t at
        = graphemeIndex(m_parameters.insertPosition, m_parameters.insertFromEnd, boundaries.size() - 1);
    icu::UnicodeString result(source, 0, boundaries[at]);
    result.append(fromUtf8(m_insertText));
    result.append(source, boundaries[at], source.length() - boundaries[at]);
    return toUtf8(result);
}

std::string NameGenerator::Impl::removed(const std::string &stem)
{
    const icu::UnicodeString source = fromUtf8(stem);
    const std::vector<int32_t> boundaries = graphemeBoundaries(source, m_characters.get());
    if (m_characters)
        m_characters->setText(m_noInput);
    const std::size_t total = boundaries.size() - 1;
    const auto count = static_cast<std::size_t>(
        std::clamp<std::int64_t>(m_parameters.removeCount, 0, static_cast<std::int64_t>(total)));
    // From the start the characters after the position go; from the end, those before it.
    std::size_t first = graphemeIndex(m_parameters.removePosition, m_parameters.removeFromEnd, total);
    std::size_t last = first;
    if (m_parameters.removeFromEnd)
        first = first > count ? first - count : 0;
    else
        last = std::min(total, first + count);
    // A rename never empties a stem.
    if (first == last || (first == 0 && last == total))
        return stem;
    icu::UnicodeString result(source, 0, boundaries[first]);
    result.append(source, boundaries[last], source.length() - boundaries[last]);
    return toUtf8(result);
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
    return newName(file, file.name, counter);
}

std::string NameGenerator::newName(const FileItem &file, std::string_view currentName, std::int64_t &counter)
{
    const NameParts parts = splitName(currentName, m_impl->m_parameters.preserveExtension);
    std::string name = m_impl->transformStem(parts.stem, file, counter) + parts.dottedExtension;
    // ASCII text is already composed; a chain of rules makes many names, so the copy is skipped for it.
    if (!std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        name = Unicode::toNFC(name);
    // "." and ".." name the folder itself or its parent; a replacement that produces one is unusable.
    if (name == "." || name == "..")
        return Unicode::toNFC(currentName);
    return name;
}

bool NameGenerator::numbersFiles() const
{
    const RenameParameters &parameters = m_impl->m_parameters;
    return parameters.strategy == RenameStrategy::prefixSequence
        || parameters.strategy == RenameStrategy::suffixSequence
        || (parameters.strategy == RenameStrategy::dateName && parameters.dateIncludeSequence);
}
