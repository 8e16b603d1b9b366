#include "ConflictResolver.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "FilePaths.h"
#include "Unicode.h"
#include "Uuid.h"

namespace {

using Path = std::filesystem::path;

// How the counter search stays linear without changing any answer.
//
// For one file F the plain loop tries base " (1)" ext, " (2)", ... and takes the first candidate that is
// neither reserved in the folder nor held on disk by an item other than F itself. Within one call the
// disk is taken as it is and the reserved sets only grow, so whether a candidate is taken changes from one
// file to the next in one way only: the "it is F itself" exception, which holds for F's own name and no
// other. So for each (folder, base, extension) we remember where the last search stopped: every counter
// below that point was found taken for some earlier file (or was accepted by one and is reserved now), and
// it is still taken for F unless its candidate is F's own path ignoring case. Candidate names differ only in
// their digits, and case folding maps no character onto a digit, a space or a parenthesis, so at most one
// counter m can name F's own path that way, and its digits stand in F's own name as " (<digits>)". Testing
// that m in full before resuming therefore gives the first free counter, exactly as the plain loop would.
// Accepting it leaves the resume point where it was: m is reserved from then on.

// Reading a folder costs about a fifth of one existence test per entry, plus opening it; below a few hundred
// planned files the saving is too small to be worth a read.
constexpr std::size_t minimumFilesForScan = 256;
// A folder is read only while it holds at most this many entries per planned file; a few files in a huge
// folder keep their existence tests.
constexpr std::size_t scanEntriesPerFile = 8;

/// Hashing by string_view, so that a folder is found from part of a path without building a string.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view> {}(text); }
};

/// A set of names kept in one growing text (each name after its length) and found through an open-addressed
/// table of hashes and offsets: a folder of a million files takes no allocation per name, and a lookup builds
/// no string and touches one run of slots and the bytes of the names whose hashes are equal.
class NameSet final {
public:
    bool empty() const noexcept { return m_count == 0; }

    /// Room for `count` names before the table grows (and for their text, at typical lengths).
    void reserve(std::size_t count)
    {
        if (slotsFor(count) > m_slots.size())
            rehash(slotsFor(count));
        m_text.reserve(count * (sizeof(std::size_t) + 24));
    }

    /// The hash under which `name` is kept.
    static std::uint64_t hashOf(std::string_view name)
    {
        const std::uint64_t hash = std::hash<std::string_view> {}(name);
        return hash == 0 ? 1 : hash;
    }

    /// Whether `name`, whose hash is `hash` (hashOf), is in the set.
    bool contains(std::string_view name, std::uint64_t hash) const
    {
        if (m_slots.empty())
            return false;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            const Slot &slot = m_slots[index];
            if (slot.hash == 0)
                return false;
            if (slot.hash == hash && nameAt(slot.offset) == name)
                return true;
        }
    }

    /// Starts loading the slot where a name with the hash `hash` is looked for.
    void prefetch(std::uint64_t hash) const noexcept
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
    }

    /// Adds `name` unless it is there already.
    void insert(std::string_view name)
    {
        if (slotsFor(m_count + 1) > m_slots.size())
            rehash(std::max(slotsFor(m_count + 1), m_slots.size() * 2));
        const std::uint64_t hash = hashOf(name);
        const std::size_t mask = m_slots.size() - 1;
        std::size_t index = hash & mask;
        for (; m_slots[index].hash != 0; index = (index + 1) & mask) {
            if (m_slots[index].hash == hash && nameAt(m_slots[index].offset) == name)
                return;
        }
        const std::size_t size = name.size();
        m_slots[index] = { hash, m_text.size() };
        m_text.insert(
            m_text.end(), reinterpret_cast<const char *>(&size), reinterpret_cast<const char *>(&size) + sizeof size);
        m_text.insert(m_text.end(), name.begin(), name.end());
        ++m_count;
    }

private:
    /// A hash of 0 marks an empty slot; `offset` is where the name's length stands in `m_text`.
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t offset = 0;
    };

    /// A power of two that keeps the table at most three quarters full with `count` names.
    static std::size_t slotsFor(std::size_t count)
    {
        return std::bit_ceil(std::max<std::size_t>(16, count + count / 3 + 1));
    }

    std::string_view nameAt(std::size_t offset) const
    {
        std::size_t size = 0;
        std::memcpy(&size, m_text.data() + offset, sizeof size);
        return { m_text.data() + offset + sizeof size, size };
    }

    void rehash(std::size_t slotCount)
    {
        std::vector<Slot> slots(slotCount);
        const std::size_t mask = slotCount - 1;
        for (const Slot &slot : m_slots) {
            if (slot.hash == 0)
                continue;
            std::size_t index = slot.hash & mask;
            while (slots[index].hash != 0)
                index = (index + 1) & mask;
            slots[index] = slot;
        }
        m_slots = std::move(slots);
    }

    std::vector<Slot> m_slots;
    std::vector<char> m_text;
    std::size_t m_count = 0;
};

/// What one call knows about one folder (by standardised path) in which it plans files.
struct FolderState {
    std::string key;
    std::size_t expectedFiles = 0;
    /// Names given out in this folder, by `reservedKey`.
    NameSet reserved;
    /// Whether the folder's volume takes names that differ only in letter case for one entry; decided at the
    /// first file settled there.
    std::optional<bool> caseInsensitive;
    /// Per base and extension (joined by NUL, which no name holds): the first counter not yet known to be taken.
    std::unordered_map<std::string, std::uint64_t> resumeAt;
    enum class Scan { notTried, usable, unusable } scan = Scan::notTried;
    /// The hashes of the matching keys of the folder's entries, when `scan` is usable: an open-addressed table
    /// (a power of two in size, at most three quarters full, 0 marking a free slot, a hash of 0 kept as 1). Equal
    /// hashes prove nothing; a hash that is absent proves that no entry can be found under a name with that key.
    std::vector<std::uint64_t> entryKeyHashes;

    /// Whether an entry's matching key may have the hash `hash`; only when `scan` is usable.
    bool mayHoldKey(std::uint64_t hash) const
    {
        hash = hash == 0 ? 1 : hash;
        const std::size_t mask = entryKeyHashes.size() - 1;
        for (std::size_t index = hash & mask; entryKeyHashes[index] != 0; index = (index + 1) & mask) {
            if (entryKeyHashes[index] == hash)
                return true;
        }
        return false;
    }

    /// Starts loading the slot where mayHoldKey looks for `hash` first.
    void prefetchKey(std::uint64_t hash) const noexcept
    {
        hash = hash == 0 ? 1 : hash;
        __builtin_prefetch(&entryKeyHashes[hash & (entryKeyHashes.size() - 1)]);
    }
};

/// The hash of the matching key of `name`, made in `key`.
std::uint64_t keyHash(std::string_view name, std::string &key)
{
    Unicode::matchingKey(name, key);
    return std::hash<std::string_view> {}(key);
}

bool isPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

/// The parent part of a standardised path ("/" for an item at the root).
std::string_view parentOf(std::string_view standardized)
{
    const std::size_t slash = standardized.rfind('/');
    return slash == 0 ? standardized.substr(0, 1) : standardized.substr(0, slash);
}

/// `folder` + "/" + `name` into `path`, whose storage is reused.
void join(std::string_view folder, std::string_view name, std::string &path)
{
    path.assign(folder);
    if (path.back() != '/')
        path += '/';
    path.append(name);
}

std::string counterName(std::string_view base, std::string_view extension, std::uint64_t counter)
{
    std::string name;
    name.reserve(base.size() + extension.size() + 24);
    name.append(base).append(" (").append(std::to_string(counter)).append(")").append(extension);
    return name;
}

/// Every counter written as " (<digits>)" in `name` the way counterName writes it (no leading zero).
std::vector<std::uint64_t> counterGroups(std::string_view name)
{
    std::vector<std::uint64_t> counters;
    for (auto start = name.find(" ("); start != std::string_view::npos; start = name.find(" (", start + 1)) {
        std::size_t position = start + 2;
        std::uint64_t value = 0;
        std::size_t digits = 0;
        // Nineteen digits always fit; a longer number lies far beyond any resume point.
        while (position < name.size() && name[position] >= '0' && name[position] <= '9' && digits < 19) {
            value = value * 10 + static_cast<std::uint64_t>(name[position] - '0');
            ++position;
            ++digits;
        }
        if (digits > 0 && name[start + 2] != '0' && position < name.size() && name[position] == ')')
            counters.push_back(value);
    }
    return counters;
}

/// The key under which a name given out in `folder` is reserved: NFD, and on a case-insensitive volume also
/// without letter case (upper-cased first, so that names the volume equates by upper case share a key), so that
/// two new names the volume would take for one entry are never both promised. An ASCII name is its own NFD, so
/// on a case-sensitive volume it is its own key and is returned as it is; any other key is made in `buffer`.
std::string_view reservedKey(const FolderState &folder, std::string_view name, std::string &buffer)
{
    const bool ignoresCase = folder.caseInsensitive.value_or(false);
    if (!ignoresCase && Unicode::isAscii(name))
        return name;
    buffer = ignoresCase ? Unicode::toNFD(Unicode::toLower(Unicode::toUpper(name))) : Unicode::toNFD(name);
    return buffer;
}

/// The standardised form of the location `text`: the text itself when it is standardised already, else made
/// in `buffer`.
std::string_view standardizedText(std::string_view text, std::string &buffer)
{
    if (FilePaths::isStandardized(text))
        return text;
    buffer = FilePaths::standardized(Path(text)).native();
    return buffer;
}

/// One file being settled: its folder and its own location.
struct Subject {
    FolderState &folder;
    const FileLocation &originalURL;
    /// Whether `originalURL` is standardised, so that a candidate's location is the folder's key plus its name.
    bool standardized;
    /// The standardised own location: `originalURL`'s text, or the resolver's buffer for it.
    std::string_view ownPath;
};

} // namespace

struct ConflictResolver::Impl {
    explicit Impl(const FileRenameFileSystem &fileSystem)
        : m_fileSystem(fileSystem)
    {
    }

    FolderState &folderOf(const FileLocation &originalURL, bool standardized);
    RenamePlan settle(
        Subject &subject, const std::string &originalName, std::string newName, const FileLocation *newURL);
    void candidateText(const Subject &subject, std::string_view name, std::string &text) const;
    FileLocation candidateLocation(const Subject &subject, std::string_view name, std::string_view text) const;
    bool isFree(Subject &subject, std::string_view at, std::string_view name);
    std::optional<std::uint64_t> entryKeyHash(const FolderState &folder, std::string_view at);
    bool exists(FolderState &folder, std::string_view at, std::optional<std::uint64_t> knownKeyHash);
    void scan(FolderState &folder);
    void learnCaseSensitivity(const Subject &subject);
    std::optional<bool> folderHoldsExactly(const Path &folder, const std::string &name);

    const FileRenameFileSystem &m_fileSystem;
    std::unordered_map<std::string, FolderState, TextHash, std::equal_to<>> m_folders;
    /// The folder of the previous file: listings keep a folder's files together.
    FolderState *m_lastFolder = nullptr;
    /// Exact entry names per folder, read only when a case-only match must be told apart from another file.
    std::unordered_map<std::string, std::optional<std::unordered_set<std::string>>> m_entryNames;
    /// Buffers reused from file to file, so that settling a name that is free allocates only what the plan keeps:
    /// the subject's own standardised location (when its text is not standardised), the candidate's, its reserved
    /// key and its matching key.
    std::string m_ownPath;
    std::string m_at;
    std::string m_key;
    std::string m_matchKey;
};

FolderState &ConflictResolver::Impl::folderOf(const FileLocation &originalURL, bool standardized)
{
    std::string computed;
    std::string_view key;
    if (standardized) {
        key = parentOf(originalURL.text());
    } else {
        computed = FilePaths::standardized(originalURL.parentPath()).native();
        key = computed;
    }
    if (m_lastFolder && m_lastFolder->key == key)
        return *m_lastFolder;
    auto found = m_folders.find(key);
    if (found == m_folders.end()) {
        std::string owned(key);
        found = m_folders.try_emplace(owned).first;
        found->second.key = std::move(owned);
    }
    m_lastFolder = &found->second;
    return found->second;
}

void ConflictResolver::Impl::candidateText(const Subject &subject, std::string_view name, std::string &text) const
{
    if (subject.standardized && isPlainName(name))
        join(subject.folder.key, name, text);
    else
        text = FilePaths::standardized(subject.originalURL.parentPath() / name).native();
}

FileLocation ConflictResolver::Impl::candidateLocation(
    const Subject &subject, std::string_view name, std::string_view text) const
{
    // The folder of a standardised location plus a plain name is already the standardised candidate; when that is
    // the file's own location, the plan shares its text.
    if (subject.standardized && isPlainName(name))
        return text == subject.ownPath ? subject.originalURL : FileLocation(text);
    return FileLocation((subject.originalURL.parentPath() / name).native());
}

void ConflictResolver::Impl::scan(FolderState &folder)
{
    folder.scan = FolderState::Scan::unusable;
    if (folder.expectedFiles < minimumFilesForScan)
        return;
    // Read into a list first: the table's size follows from the number of entries.
    std::vector<std::uint64_t> hashes;
    hashes.reserve(folder.expectedFiles);
    const bool complete = m_fileSystem.visitEntryNames(Path(folder.key), folder.expectedFiles * scanEntriesPerFile,
        [this, &hashes](std::string_view name) { hashes.push_back(keyHash(name, m_matchKey)); });
    if (!complete)
        return;
    std::vector<std::uint64_t> table(std::bit_ceil(hashes.size() + hashes.size() / 3 + 1));
    const std::size_t mask = table.size() - 1;
    for (std::uint64_t hash : hashes) {
        hash = hash == 0 ? 1 : hash;
        std::size_t index = hash & mask;
        while (table[index] != 0 && table[index] != hash)
            index = (index + 1) & mask;
        table[index] = hash;
    }
    folder.entryKeyHashes = std::move(table);
    folder.scan = FolderState::Scan::usable;
}

/// The hash of the matching key of the candidate at `at` when the folder's entries, read before, can answer for it;
/// nothing when only itemExists can.
std::optional<std::uint64_t> ConflictResolver::Impl::entryKeyHash(const FolderState &folder, std::string_view at)
{
    if (folder.scan != FolderState::Scan::usable || parentOf(at) != folder.key)
        return std::nullopt;
    const std::string_view name = at.substr(at.rfind('/') + 1);
    // A "~" may be a FAT or NTFS short-name alias of an entry listed under its long name only; such candidates are
    // always asked for.
    if (name.find('~') != std::string_view::npos)
        return std::nullopt;
    return keyHash(name, m_matchKey);
}

/// Whether an item is at `at`; `knownKeyHash` is entryKeyHash's answer when it was asked already.
bool ConflictResolver::Impl::exists(FolderState &folder, std::string_view at, std::optional<std::uint64_t> knownKeyHash)
{
    if (folder.scan == FolderState::Scan::notTried)
        scan(folder);
    const std::optional<std::uint64_t> hash = knownKeyHash ? knownKeyHash : entryKeyHash(folder, at);
    if (hash && !folder.mayHoldKey(*hash))
        return false;
    return m_fileSystem.itemExists(Path(at));
}

std::optional<bool> ConflictResolver::Impl::folderHoldsExactly(const Path &folder, const std::string &name)
{
    auto found = m_entryNames.find(folder.native());
    if (found == m_entryNames.end())
        found = m_entryNames.emplace(folder.native(), m_fileSystem.entryNames(folder)).first;
    if (!found->second)
        return std::nullopt;
    return found->second->contains(name);
}

void ConflictResolver::Impl::learnCaseSensitivity(const Subject &subject)
{
    // The file's own name in another letter case is found on a case-insensitive volume; on a case-sensitive
    // one only when another entry is spelled exactly so, which the folder's names tell apart. A name without
    // letters tells nothing; such a folder is taken as case-sensitive, as before this was asked.
    FolderState &folder = subject.folder;
    folder.caseInsensitive = false;
    const std::size_t slash = subject.ownPath.rfind('/');
    const std::string_view ownName = subject.ownPath.substr(slash + 1);
    std::string variant = Unicode::toUpper(ownName);
    if (variant == ownName)
        variant = Unicode::toLower(ownName);
    if (variant == ownName || variant.find('/') != std::string::npos)
        return;
    const Path variantPath(std::string(subject.ownPath.substr(0, slash + 1)) + variant);
    if (!m_fileSystem.itemExists(variantPath))
        return;
    // A folder that cannot be read cannot tell the two apart; it is taken as case-sensitive, as before.
    const std::optional<bool> holds = folderHoldsExactly(variantPath.parent_path(), variant);
    folder.caseInsensitive = holds && !*holds;
}

/// Step 4 of the search: whether the candidate `name`, whose standardised location is `at`, may be given to
/// the subject.
bool ConflictResolver::Impl::isFree(Subject &subject, std::string_view at, std::string_view name)
{
    FolderState &folder = subject.folder;
    const std::string_view key = reservedKey(folder, name, m_key);
    const std::uint64_t hash = NameSet::hashOf(key);
    folder.reserved.prefetch(hash);
    // Another location than the file's own is also looked for among the folder's entries. Both tables are read at
    // places no earlier candidate touched; asking for the second slot before the first is read lets the two waits
    // for memory overlap.
    std::optional<std::uint64_t> entryHash;
    if (at != subject.ownPath) {
        entryHash = entryKeyHash(folder, at);
        if (entryHash)
            folder.prefetchKey(*entryHash);
    }
    if (folder.reserved.contains(key, hash))
        return false;
    // The file's own location is free for it whether or not the disk still shows it, so an unchanged name
    // costs no existence test.
    if (at == subject.ownPath)
        return true;
    if (!exists(folder, at, entryHash))
        return true;
    if (!Unicode::equalIgnoringCase(at, subject.ownPath))
        return false;
    // The paths differ only in letter case. On a case-insensitive volume the item found is the file itself;
    // on a case-sensitive one it is another file spelled exactly like the candidate, which must not be
    // planned over. A folder that cannot be read leaves only the first reading.
    const Path standardized(at);
    const auto holds = folderHoldsExactly(standardized.parent_path(), FilePaths::lastComponent(standardized));
    return !holds.value_or(false);
}

RenamePlan ConflictResolver::Impl::settle(
    Subject &subject, const std::string &originalName, std::string newName, const FileLocation *newURL)
{
    // One question per folder, before anything is reserved there.
    if (!subject.folder.caseInsensitive)
        learnCaseSensitivity(subject);
    std::string name = std::move(newName);
    std::string_view at;
    if (newURL) {
        at = standardizedText(newURL->text(), m_at);
    } else {
        candidateText(subject, name, m_at);
        at = m_at;
    }
    FileLocation location;
    const bool free = isFree(subject, at, name);
    if (free) {
        location = newURL ? *newURL : candidateLocation(subject, name, at);
    } else {
        // The extension is split off whatever the strategy did with it, so that the counter goes before it.
        const std::string extension = [&] {
            const std::string_view bare = FilePaths::pathExtension(name);
            std::string dotted;
            if (!bare.empty())
                dotted.append(1, '.').append(bare);
            return dotted;
        }();
        const std::string base = name.substr(0, name.size() - extension.size());
        std::string key = base;
        key.append(1, '\0').append(extension);
        std::uint64_t &resume = subject.folder.resumeAt.try_emplace(std::move(key), 1).first->second;

        std::optional<std::uint64_t> accepted;
        std::string acceptedAt;
        const std::string_view ownName = subject.ownPath.substr(subject.ownPath.rfind('/') + 1);
        for (const std::uint64_t counter : counterGroups(ownName)) {
            if (counter == 0 || counter >= resume)
                continue;
            const std::string candidate = counterName(base, extension, counter);
            std::string candidateAt;
            candidateText(subject, candidate, candidateAt);
            if (!Unicode::equalIgnoringCase(candidateAt, subject.ownPath))
                continue;
            if (isFree(subject, candidateAt, candidate)) {
                accepted = counter;
                acceptedAt = std::move(candidateAt);
            }
            break;
        }
        if (!accepted) {
            for (std::uint64_t counter = resume; !accepted; ++counter) {
                const std::string candidate = counterName(base, extension, counter);
                std::string candidateAt;
                candidateText(subject, candidate, candidateAt);
                if (isFree(subject, candidateAt, candidate)) {
                    accepted = counter;
                    acceptedAt = std::move(candidateAt);
                }
            }
            resume = *accepted + 1;
        }
        name = counterName(base, extension, *accepted);
        location = candidateLocation(subject, name, acceptedAt);
    }

    // Sized once for every file expected here: grown one rehash at a time, a million names are moved some twenty
    // times.
    if (subject.folder.reserved.empty())
        subject.folder.reserved.reserve(subject.folder.expectedFiles);
    subject.folder.reserved.insert(reservedKey(subject.folder, name, m_key));
    RenamePlan plan { Uuid::random(), subject.originalURL, std::move(location), originalName, std::move(name) };
    plan.counterAdded = !free;
    return plan;
}

ConflictResolver::ConflictResolver(const FileRenameFileSystem &fileSystem)
    : m_impl(std::make_unique<Impl>(fileSystem))
{
}

ConflictResolver::~ConflictResolver() = default;

void ConflictResolver::expect(const FileLocation &originalURL)
{
    ++m_impl->folderOf(originalURL, FilePaths::isStandardized(originalURL.text())).expectedFiles;
}

RenamePlan ConflictResolver::settle(
    const FileLocation &originalURL, const std::string &originalName, std::string newName)
{
    const bool standardized = FilePaths::isStandardized(originalURL.text());
    Subject subject { m_impl->folderOf(originalURL, standardized), originalURL, standardized,
        standardized ? originalURL.text() : standardizedText(originalURL.text(), m_impl->m_ownPath) };
    return m_impl->settle(subject, originalName, std::move(newName), nullptr);
}

RenamePlan ConflictResolver::settle(const RenamePlan &provisional)
{
    const bool standardized = FilePaths::isStandardized(provisional.originalURL.text());
    Subject subject { m_impl->folderOf(provisional.originalURL, standardized), provisional.originalURL, standardized,
        standardized ? provisional.originalURL.text()
                     : standardizedText(provisional.originalURL.text(), m_impl->m_ownPath) };
    return m_impl->settle(subject, provisional.originalName, provisional.newName, &provisional.newURL);
}

std::vector<RenamePlan> resolveConflicts(
    const std::vector<RenamePlan> &provisional, const FileRenameFileSystem &fileSystem)
{
    ConflictResolver resolver(fileSystem);
    for (const RenamePlan &plan : provisional)
        resolver.expect(plan.originalURL);
    std::vector<RenamePlan> plans;
    plans.reserve(provisional.size());
    for (const RenamePlan &plan : provisional)
        plans.push_back(resolver.settle(plan));
    return plans;
}
