#include "ConflictResolver.h"

#include <algorithm>
#include <cstdint>
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
using NameSet = std::unordered_set<std::string>;

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
    /// Sorted hashes of the matching keys of the folder's entries, when `scan` is usable. Equal hashes prove
    /// nothing; a hash that is absent proves that no entry can be found under a name with that key.
    std::vector<std::uint64_t> entryKeyHashes;
};

std::uint64_t keyHash(std::string_view name)
{
    return std::hash<std::string> {}(Unicode::matchingKey(name));
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

std::string joined(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (path.back() != '/')
        path += '/';
    path.append(name);
    return path;
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
/// two new names the volume would take for one entry are never both promised.
std::string reservedKey(const FolderState &folder, std::string_view name)
{
    return folder.caseInsensitive.value_or(false) ? Unicode::toNFD(Unicode::toLower(Unicode::toUpper(name)))
                                                  : Unicode::toNFD(name);
}

/// The standardised form of the location `text`, without parsing a location that is already standardised.
std::string standardizedText(std::string_view text)
{
    return FilePaths::isStandardized(text) ? std::string(text) : FilePaths::standardized(Path(text)).native();
}

/// One file being settled: its folder and its own location.
struct Subject {
    FolderState &folder;
    const FileLocation &originalURL;
    /// Whether `originalURL` is standardised, so that a candidate's location is the folder's key plus its name.
    bool standardized;
    std::string ownPath;
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
    std::string candidateText(const Subject &subject, const std::string &name) const;
    std::string candidateLocation(const Subject &subject, const std::string &name, const std::string &text) const;
    bool isFree(Subject &subject, const std::string &at, const std::string &name);
    bool exists(FolderState &folder, const std::string &at);
    void scan(FolderState &folder);
    void learnCaseSensitivity(const Subject &subject);
    std::optional<bool> folderHoldsExactly(const Path &folder, const std::string &name);

    const FileRenameFileSystem &m_fileSystem;
    std::unordered_map<std::string, FolderState, TextHash, std::equal_to<>> m_folders;
    /// The folder of the previous file: listings keep a folder's files together.
    FolderState *m_lastFolder = nullptr;
    /// Exact entry names per folder, read only when a case-only match must be told apart from another file.
    std::unordered_map<std::string, std::optional<NameSet>> m_entryNames;
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

std::string ConflictResolver::Impl::candidateText(const Subject &subject, const std::string &name) const
{
    if (subject.standardized && isPlainName(name))
        return joined(subject.folder.key, name);
    return FilePaths::standardized(subject.originalURL.parentPath() / name).native();
}

std::string ConflictResolver::Impl::candidateLocation(
    const Subject &subject, const std::string &name, const std::string &text) const
{
    // The folder of a standardised location plus a plain name is already the standardised candidate.
    if (subject.standardized && isPlainName(name))
        return text;
    return (subject.originalURL.parentPath() / name).native();
}

void ConflictResolver::Impl::scan(FolderState &folder)
{
    folder.scan = FolderState::Scan::unusable;
    if (folder.expectedFiles < minimumFilesForScan)
        return;
    std::vector<std::uint64_t> hashes;
    const bool complete = m_fileSystem.visitEntryNames(Path(folder.key), folder.expectedFiles * scanEntriesPerFile,
        [&hashes](std::string_view name) { hashes.push_back(keyHash(name)); });
    if (!complete)
        return;
    std::sort(hashes.begin(), hashes.end());
    folder.entryKeyHashes = std::move(hashes);
    folder.scan = FolderState::Scan::usable;
}

bool ConflictResolver::Impl::exists(FolderState &folder, const std::string &at)
{
    if (folder.scan == FolderState::Scan::notTried)
        scan(folder);
    if (folder.scan == FolderState::Scan::usable && parentOf(at) == folder.key) {
        const std::string_view name = std::string_view(at).substr(at.rfind('/') + 1);
        // A "~" may be a FAT or NTFS short-name alias of an entry listed under its long name only; such
        // candidates are always asked for.
        if (name.find('~') == std::string_view::npos
            && !std::binary_search(folder.entryKeyHashes.begin(), folder.entryKeyHashes.end(), keyHash(name)))
            return false;
    }
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
    const std::string_view ownName = std::string_view(subject.ownPath).substr(slash + 1);
    std::string variant = Unicode::toUpper(ownName);
    if (variant == ownName)
        variant = Unicode::toLower(ownName);
    if (variant == ownName || variant.find('/') != std::string::npos)
        return;
    const Path variantPath(subject.ownPath.substr(0, slash + 1) + variant);
    if (!m_fileSystem.itemExists(variantPath))
        return;
    // A folder that cannot be read cannot tell the two apart; it is taken as case-sensitive, as before.
    const std::optional<bool> holds = folderHoldsExactly(variantPath.parent_path(), variant);
    folder.caseInsensitive = holds && !*holds;
}

/// Step 4 of the search: whether the candidate `name`, whose standardised location is `at`, may be given to
/// the subject.
bool ConflictResolver::Impl::isFree(Subject &subject, const std::string &at, const std::string &name)
{
    if (subject.folder.reserved.contains(reservedKey(subject.folder, name)))
        return false;
    // The file's own location is free for it whether or not the disk still shows it, so an unchanged name
    // costs no existence test.
    if (at == subject.ownPath)
        return true;
    if (!exists(subject.folder, at))
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
    const std::string at = newURL ? standardizedText(newURL->text()) : candidateText(subject, name);
    std::string location;
    const bool free = isFree(subject, at, name);
    if (free) {
        location = newURL ? newURL->text() : candidateLocation(subject, name, at);
    } else {
        // The extension is split off whatever the strategy did with it, so that the counter goes before it.
        const std::string extension = [&] {
            const std::string_view bare = FilePaths::pathExtension(name);
            return bare.empty() ? std::string() : "." + std::string(bare);
        }();
        const std::string base = name.substr(0, name.size() - extension.size());
        std::string key = base;
        key.append(1, '\0').append(extension);
        std::uint64_t &resume = subject.folder.resumeAt.try_emplace(std::move(key), 1).first->second;

        std::optional<std::uint64_t> accepted;
        std::string acceptedAt;
        const std::string_view ownName = std::string_view(subject.ownPath).substr(subject.ownPath.rfind('/') + 1);
        for (const std::uint64_t counter : counterGroups(ownName)) {
            if (counter == 0 || counter >= resume)
                continue;
            const std::string candidate = counterName(base, extension, counter);
            std::string candidateAt = candidateText(subject, candidate);
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
                std::string candidateAt = candidateText(subject, candidate);
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
    subject.folder.reserved.insert(reservedKey(subject.folder, name));
    RenamePlan plan { Uuid::random(), subject.originalURL, FileLocation(std::move(location)), originalName,
        std::move(name) };
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
        standardizedText(originalURL.text()) };
    return m_impl->settle(subject, originalName, std::move(newName), nullptr);
}

RenamePlan ConflictResolver::settle(const RenamePlan &provisional)
{
    const bool standardized = FilePaths::isStandardized(provisional.originalURL.text());
    Subject subject { m_impl->folderOf(provisional.originalURL, standardized), provisional.originalURL, standardized,
        standardizedText(provisional.originalURL.text()) };
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
