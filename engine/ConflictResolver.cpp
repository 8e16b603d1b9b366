#include "ConflictResolver.h"

#include <cstdint>
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

/// The tables of one call; none of them outlives it.
struct Resolution {
    const FileRenameFileSystem &fileSystem;
    /// Names given out per folder key, in NFD.
    std::unordered_map<std::string, NameSet> reserved;
    /// Per folder key, base and extension: the first counter not yet known to be taken.
    std::unordered_map<std::string, std::uint64_t> resumeAt;
    /// Exact entry names per folder, read only when a case-only match must be told apart from another file.
    std::unordered_map<std::string, std::optional<NameSet>> entryNames;
};

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

/// Whether `folder` holds an entry spelled exactly `name`; nothing when the folder cannot be read.
std::optional<bool> folderHoldsExactly(Resolution &resolution, const Path &folder, const std::string &name)
{
    auto found = resolution.entryNames.find(folder.native());
    if (found == resolution.entryNames.end())
        found = resolution.entryNames.emplace(folder.native(), resolution.fileSystem.entryNames(folder)).first;
    if (!found->second)
        return std::nullopt;
    return found->second->contains(name);
}

/// Step 4 of the search: whether the candidate may be given to the file whose standardised path is `ownPath`.
bool isFree(Resolution &resolution, const std::string &folderKey, const Path &location, const std::string &name,
    const Path &ownPath)
{
    if (const auto reserved = resolution.reserved.find(folderKey);
        reserved != resolution.reserved.end() && reserved->second.contains(Unicode::toNFD(name)))
        return false;
    const Path standardized = FilePaths::standardized(location);
    if (!resolution.fileSystem.itemExists(standardized))
        return true;
    if (standardized == ownPath)
        return true;
    if (!Unicode::equalIgnoringCase(standardized.native(), ownPath.native()))
        return false;
    // The paths differ only in letter case. On a case-insensitive volume the item found is the file itself;
    // on a case-sensitive one it is another file spelled exactly like the candidate, which must not be
    // planned over. A folder that cannot be read leaves only the first reading.
    const auto holds
        = folderHoldsExactly(resolution, standardized.parent_path(), FilePaths::lastComponent(standardized));
    return !holds.value_or(false);
}

RenamePlan settle(Resolution &resolution, const RenamePlan &plan)
{
    const Path folder = plan.originalURL.parent_path();
    const std::string folderKey = FilePaths::standardized(folder).native();
    const Path ownPath = FilePaths::standardized(plan.originalURL);

    std::string name = plan.newName;
    Path location = plan.newURL;
    if (!isFree(resolution, folderKey, location, name, ownPath)) {
        // The extension is split off whatever the strategy did with it, so that the counter goes before it.
        const std::string extension = [&] {
            const std::string_view bare = FilePaths::pathExtension(plan.newName);
            return bare.empty() ? std::string() : "." + std::string(bare);
        }();
        const std::string base = plan.newName.substr(0, plan.newName.size() - extension.size());
        // NUL stands in no path or name, so it keeps the three parts apart.
        std::string key = folderKey;
        key.append(1, '\0').append(base).append(1, '\0').append(extension);
        std::uint64_t &resume = resolution.resumeAt.try_emplace(std::move(key), 1).first->second;

        std::optional<std::uint64_t> accepted;
        for (const std::uint64_t counter : counterGroups(FilePaths::lastComponent(ownPath))) {
            if (counter == 0 || counter >= resume)
                continue;
            const std::string candidate = counterName(base, extension, counter);
            const Path candidateLocation = folder / candidate;
            if (!Unicode::equalIgnoringCase(FilePaths::standardized(candidateLocation).native(), ownPath.native()))
                continue;
            if (isFree(resolution, folderKey, candidateLocation, candidate, ownPath))
                accepted = counter;
            break;
        }
        if (!accepted) {
            for (std::uint64_t counter = resume; !accepted; ++counter) {
                const std::string candidate = counterName(base, extension, counter);
                if (isFree(resolution, folderKey, folder / candidate, candidate, ownPath))
                    accepted = counter;
            }
            resume = *accepted + 1;
        }
        name = counterName(base, extension, *accepted);
        location = folder / name;
    }

    resolution.reserved[folderKey].insert(Unicode::toNFD(name));
    return RenamePlan { Uuid::random(), plan.originalURL, std::move(location), plan.originalName, std::move(name) };
}

} // namespace

std::vector<RenamePlan> resolveConflicts(
    const std::vector<RenamePlan> &provisional, const FileRenameFileSystem &fileSystem)
{
    Resolution resolution { fileSystem, {}, {}, {} };
    std::vector<RenamePlan> plans;
    plans.reserve(provisional.size());
    for (const RenamePlan &plan : provisional)
        plans.push_back(settle(resolution, plan));
    return plans;
}
