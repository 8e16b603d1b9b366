#include "FileSorting.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/tblcoll.h>
#include <unicode/unistr.h>

namespace {

/// The collator for the user's language at secondary strength (accents count, letter case does not).
std::unique_ptr<icu::Collator> makeCollator()
{
    const icu::Locale &locale = icu::Locale::getDefault();
    // ICU maps the C and POSIX locales to en_US_POSIX, whose collation orders by code point and tells upper
    // from lower case even at secondary strength; the root collation is the neutral order for them.
    const std::string_view variant = locale.getVariant();
    const bool posix = variant == "POSIX" || std::strcmp(locale.getName(), "c") == 0
        || std::strcmp(locale.getName(), "C") == 0 || std::strcmp(locale.getName(), "") == 0;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(posix ? icu::Locale::getRoot() : locale, status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            return nullptr;
    }
    collator->setStrength(icu::Collator::SECONDARY);
    return collator;
}

/// Byte keys for names made only of printable ASCII, in the collator's own order, or nothing where that order is
/// not a simple one. Every printable ASCII character carries exactly one primary weight in the root collation
/// (no contractions, expansions or ignorable ones among them, punctuation included, as it is not "shifted"), its
/// secondary weight is the common one, and letter case counts only at the third level, which secondary strength
/// leaves out. So two such names compare as the sequences of their characters' ranks do, the shorter first when
/// one begins the other. The ranks are read from the collator itself; a collator with tailoring rules (a language
/// that sorts "aa" after "z", say) or with settings that change this gets no table.
class AsciiRanks final {
public:
    static std::optional<AsciiRanks> of(const icu::Collator &collator)
    {
        const auto *ruleBased = dynamic_cast<const icu::RuleBasedCollator *>(&collator);
        UErrorCode status = U_ZERO_ERROR;
        if (!ruleBased || !ruleBased->getRules().isEmpty() || collator.getStrength() != icu::Collator::SECONDARY
            || collator.getAttribute(UCOL_ALTERNATE_HANDLING, status) != UCOL_NON_IGNORABLE
            || collator.getAttribute(UCOL_NUMERIC_COLLATION, status) != UCOL_OFF || U_FAILURE(status))
            return std::nullopt;
        std::array<char, printableCount> characters;
        std::iota(characters.begin(), characters.end(), firstPrintable);
        const auto compare = [&collator](char a, char b) {
            UErrorCode compared = U_ZERO_ERROR;
            return collator.compareUTF8(icu::StringPiece(&a, 1), icu::StringPiece(&b, 1), compared);
        };
        std::stable_sort(characters.begin(), characters.end(), [&](char a, char b) { return compare(a, b) < 0; });
        AsciiRanks ranks;
        unsigned char rank = 1;
        for (std::size_t i = 0; i < characters.size(); ++i) {
            if (i > 0 && compare(characters[i - 1], characters[i]) != 0)
                ++rank;
            ranks.m_rank[static_cast<unsigned char>(characters[i]) - firstPrintable] = rank;
        }
        return ranks;
    }

    static bool isPrintable(std::string_view name)
    {
        return std::all_of(name.begin(), name.end(), [](char c) { return c >= firstPrintable && c < '\x7F'; });
    }

    /// Appends the key of `name`, which must be printable ASCII.
    void append(std::string_view name, std::string &key) const
    {
        for (const char c : name)
            key.push_back(static_cast<char>(m_rank[static_cast<unsigned char>(c) - firstPrintable]));
    }

private:
    static constexpr char firstPrintable = ' ';
    static constexpr std::size_t printableCount = 0x7F - 0x20;
    std::array<unsigned char, printableCount> m_rank {};
};

/// The collation keys of `files[first, last)` in one buffer: `spans` gets each key's offset and length there.
void appendKeys(const icu::Collator &collator, const std::vector<FileItem> &files, std::size_t first, std::size_t last,
    std::string &buffer, std::vector<std::pair<std::size_t, std::size_t>> &spans)
{
    constexpr std::size_t typicalKey = 64;
    std::size_t used = 0;
    buffer.resize((last - first) * typicalKey / 2 + typicalKey);
    spans.reserve(last - first);
    for (std::size_t i = first; i < last; ++i) {
        const std::string &name = files[i].name;
        const icu::UnicodeString text
            = icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
        if (buffer.size() - used < typicalKey)
            buffer.resize(buffer.size() * 2);
        auto room = static_cast<int32_t>(std::min<std::size_t>(buffer.size() - used, INT32_MAX));
        int32_t length = collator.getSortKey(text, reinterpret_cast<uint8_t *>(buffer.data() + used), room);
        if (length > room) {
            buffer.resize(used + static_cast<std::size_t>(length));
            room = length;
            length = collator.getSortKey(text, reinterpret_cast<uint8_t *>(buffer.data() + used), room);
        }
        // The key ends in a zero byte, which adds nothing to the comparison.
        const std::size_t size = length > 0 ? static_cast<std::size_t>(length - 1) : 0;
        spans.emplace_back(used, size);
        used += size;
    }
}

/// Eight bytes of `key` from `from` on as one big-endian number, zeros past its end: two keys whose numbers differ
/// compare as the numbers do (where one key ends first, its zeros meet a byte that is not zero in the other).
std::uint64_t keyBytes(std::string_view key, std::size_t from)
{
    std::uint64_t value = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0U);
    return value;
}

/// A file's place in the sort: the first sixteen bytes of its key, and its index in the list.
struct Ranked {
    std::uint64_t high;
    std::uint64_t low;
    std::size_t index;
};

} // namespace

namespace {

void sortByCollation(std::vector<FileItem> &files, bool numeric, bool ascending)
{
    const std::unique_ptr<icu::Collator> collator = makeCollator();
    if (collator && numeric) {
        UErrorCode status = U_ZERO_ERROR;
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    }
    if (!collator) {
        std::stable_sort(files.begin(), files.end(), [ascending](const FileItem &a, const FileItem &b) {
            return ascending ? a.name < b.name : b.name < a.name;
        });
        return;
    }
    // One key per name instead of a collation per comparison: for many files this is several times faster. Keys
    // compare as unsigned bytes, which is what std::string_view's comparison does. They are made on two threads
    // for a large folder (the second with its own copy of the collator) and kept in one buffer per thread.
    std::string firstBuffer;
    std::string secondBuffer;
    std::vector<std::pair<std::size_t, std::size_t>> firstSpans;
    std::vector<std::pair<std::size_t, std::size_t>> secondSpans;
    // Names of plain ASCII, as most are, have keys of one byte per character and need no collator; the two kinds
    // of key do not compare with each other, so this is for all names or none.
    const std::optional<AsciiRanks> ascii = std::all_of(files.begin(), files.end(),
                                                [](const FileItem &file) { return AsciiRanks::isPrintable(file.name); })
        ? AsciiRanks::of(*collator)
        : std::nullopt;
    constexpr std::size_t parallelFrom = 2048;
    std::size_t half = files.size();
    std::unique_ptr<icu::Collator> second;
    if (ascii) {
        std::size_t bytes = 0;
        for (const FileItem &file : files)
            bytes += file.name.size();
        firstBuffer.reserve(bytes);
        firstSpans.reserve(files.size());
        for (const FileItem &file : files) {
            const std::size_t offset = firstBuffer.size();
            ascii->append(file.name, firstBuffer);
            firstSpans.emplace_back(offset, file.name.size());
        }
    } else if (files.size() >= parallelFrom && std::thread::hardware_concurrency() >= 2) {
        second.reset(collator->clone());
        if (second)
            half = files.size() / 2;
    }
    if (!ascii) {
        std::jthread helper;
        if (second)
            helper = std::jthread([&] { appendKeys(*second, files, half, files.size(), secondBuffer, secondSpans); });
        appendKeys(*collator, files, 0, half, firstBuffer, firstSpans);
    }
    std::vector<std::string_view> keys;
    keys.reserve(files.size());
    for (const auto &[offset, size] : firstSpans)
        keys.emplace_back(firstBuffer.data() + offset, size);
    for (const auto &[offset, size] : secondSpans)
        keys.emplace_back(secondBuffer.data() + offset, size);
    // Sorted by the keys' first bytes held beside the index, so that most comparisons read no key; equal keys keep
    // their order by index, as a stable sort by key would.
    std::vector<Ranked> order(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        order[i] = { keyBytes(keys[i], 0), keyBytes(keys[i], 8), i };
    std::sort(order.begin(), order.end(), [&keys, ascending](const Ranked &a, const Ranked &b) {
        if (a.high != b.high)
            return ascending ? a.high < b.high : b.high < a.high;
        if (a.low != b.low)
            return ascending ? a.low < b.low : b.low < a.low;
        const int compared = keys[a.index].compare(keys[b.index]);
        if (compared != 0)
            return ascending ? compared < 0 : compared > 0;
        return a.index < b.index;
    });
    // The records are moved into place cycle by cycle: a second list of them would cost as much memory again. They
    // lie in listing order, so each step of a cycle lands somewhere else in the list; a second walk a few steps ahead
    // along the cycle asks for what the moves will reach, so that the waits for memory overlap instead of adding up.
    const auto prefetchStep = [&files, &order](std::size_t at) {
        const auto *record = reinterpret_cast<const char *>(&files[at]);
        for (std::size_t offset = 0; offset < sizeof(FileItem); offset += 64)
            __builtin_prefetch(record + offset);
        __builtin_prefetch(record + sizeof(FileItem) - 1);
        __builtin_prefetch(&order[at]);
    };
    constexpr int stepsAhead = 8;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (order[i].index == i)
            continue;
        FileItem held = std::move(files[i]);
        std::size_t at = i;
        std::size_t ahead = i;
        for (int step = 0; step < stepsAhead && order[ahead].index != i; ++step) {
            ahead = order[ahead].index;
            prefetchStep(ahead);
        }
        while (order[at].index != i) {
            const std::size_t from = order[at].index;
            files[at] = std::move(files[from]);
            order[at].index = at;
            at = from;
            // Only a hint: once the moves have passed it, `ahead` points at itself.
            if (order[ahead].index != i) {
                ahead = order[ahead].index;
                prefetchStep(ahead);
            }
        }
        files[at] = std::move(held);
        order[at].index = at;
    }
}

} // namespace

void sortFiles(std::vector<FileItem> &files, FileOrder order, bool ascending)
{
    if (order == FileOrder::name || order == FileOrder::natural) {
        sortByCollation(files, order == FileOrder::natural, ascending);
        return;
    }
    sortByName(files);
    const auto less = [order](const FileItem &a, const FileItem &b) {
        switch (order) {
        case FileOrder::dateModified:
            return a.modificationDate < b.modificationDate;
        case FileOrder::dateCreated:
            return a.creationDate < b.creationDate;
        default:
            return a.size < b.size;
        }
    };
    std::stable_sort(files.begin(), files.end(),
        [&less, ascending](const FileItem &a, const FileItem &b) { return ascending ? less(a, b) : less(b, a); });
}

void sortByName(std::vector<FileItem> &files)
{
    sortByCollation(files, false, true);
}
