#include "RenamePipeline.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <functional>
#include <utility>

#include "FileFilterService.h"
#include "FilePaths.h"
#include "FileSorting.h"
#include "Unicode.h"

namespace RenamePipeline {

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    // Equal bytes are the common case and need no normalisation; ASCII texts are their own normal form.
    if (a == b)
        return true;
    if (Unicode::isAscii(a) && Unicode::isAscii(b))
        return false;
    return Unicode::toNFD(a) == Unicode::toNFD(b);
}

bool changesName(const RenamePlan &plan)
{
    return !canonicallyEqual(plan.newName, plan.originalName);
}

std::vector<RenamePlan> changedPlans(const std::vector<RenamePlan> &plans)
{
    std::vector<RenamePlan> changed;
    for (const RenamePlan &plan : plans) {
        if (changesName(plan))
            changed.push_back(plan);
    }
    return changed;
}

bool targetsAreDistinct(const std::vector<RenamePlan> &plans)
{
    // The targets' keys by hash, sorted: only keys with equal hashes are compared. A target that is standardised
    // and ASCII is its own key and is not copied; a million of them take no allocation but this one list.
    std::deque<std::string> rewritten;
    std::vector<std::pair<std::size_t, std::string_view>> keys;
    keys.reserve(plans.size());
    for (const RenamePlan &plan : plans) {
        if (!changesName(plan))
            continue;
        std::string_view key = plan.newURL.text();
        if (!FilePaths::isStandardized(key) || !Unicode::isAscii(key))
            key = rewritten.emplace_back(Unicode::toNFD(FilePaths::standardized(plan.newURL.path()).native()));
        keys.emplace_back(std::hash<std::string_view> {}(key), key);
    }
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
}

Result<FileListing> listSorted(const FileAccessService &fileAccess, const std::filesystem::path &folder,
    bool includeSubfolders, const Progress &progress, bool keepStamps)
{
    Result<FileListing> listing = progress
        ? fileAccess.listFiles(
            folder, includeSubfolders, [&progress](std::int64_t listed) { return progress(listed, 0); }, keepStamps)
        : fileAccess.listFiles(folder, includeSubfolders, {}, keepStamps);
    if (!listing)
        return listing;
    if (progress && !progress(static_cast<std::int64_t>(listing->files.size()), 0))
        return Error::fromErrno(ECANCELED);
    sortByName(listing->files);
    return listing;
}

std::vector<FileItem> filter(const std::vector<FileItem> &files, const FileFilterCriteria &criteria)
{
    return FileFilterService().filter(files, criteria);
}

std::vector<FileItem> filter(std::vector<FileItem> &&files, const FileFilterCriteria &criteria)
{
    return FileFilterService().filter(std::move(files), criteria);
}

std::string Preview::timedOutLine() const
{
    if (timedOutNames <= 0)
        return {};
    return std::to_string(timedOutNames) + (timedOutNames == 1 ? " name" : " names")
        + " left unchanged: the pattern took too long";
}

Planner plannerFor(const FileRenameService &service, RenameParameters parameters)
{
    return
        [&service, parameters = std::move(parameters)](const std::vector<FileItem> &files, const Progress &progress) {
            Preview preview;
            preview.plans = service.generatePlans(files, parameters, &preview.timedOutNames, progress);
            preview.stopped = preview.plans.size() != files.size();
            return preview;
        };
}

Planner plannerFor(const FileRenameService &service, RenameRuleList rules)
{
    return [&service, rules = std::move(rules)](const std::vector<FileItem> &files, const Progress &progress) {
        Preview preview;
        preview.plans = service.generatePlans(files, rules, &preview.timedOutNames, progress);
        preview.stopped = preview.plans.size() != files.size();
        return preview;
    };
}

Preview plan(const Planner &planner, const std::vector<FileItem> &files, const Progress &progress)
{
    Preview preview = planner(files, progress);
    if (preview.stopped)
        return preview;
    preview.changedCount
        = static_cast<std::size_t>(std::count_if(preview.plans.begin(), preview.plans.end(), &changesName));
    preview.targetsDistinct = targetsAreDistinct(preview.plans);
    return preview;
}

} // namespace RenamePipeline
