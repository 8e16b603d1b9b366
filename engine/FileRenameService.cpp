#include "FileRenameService.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>

#include "ConflictResolver.h"

namespace {

/// How many files ahead each planning loop asks for a file's location to be loaded, so that the waits for memory
/// overlap; a few are enough, more would only push out what is still in use.
constexpr std::size_t locationsAhead = 8;

/// Asks for the capture date of every file on all cores, so that the names made afterwards one by one (in
/// list order, for the sequence numbers) find the dates in the provider's cache. Reading metadata is mostly
/// waiting for the disk and parsing, which the provider does without holding its lock.
void prefetchCaptureDates(const std::vector<FileItem> &files, FileMetadataProviding &metadata)
{
    const std::size_t threads = std::min<std::size_t>(std::max(1U, std::thread::hardware_concurrency()), files.size());
    if (threads < 2)
        return;
    std::atomic<std::size_t> next { 0 };
    const auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++)
            (void)metadata.captureDate(files[i].url.path());
    };
    std::vector<std::jthread> helpers;
    helpers.reserve(threads - 1);
    for (std::size_t i = 1; i < threads; ++i)
        helpers.emplace_back(work);
    work();
}

} // namespace

FileRenameService::FileRenameService(FileRenameFileSystem &fileAccess, FileMetadataProviding &metadata)
    : m_fileAccess(fileAccess)
    , m_metadata(metadata)
{
}

std::vector<RenamePlan> FileRenameService::generatePlans(const std::vector<FileItem> &files,
    const RenameParameters &parameters, std::int64_t *timedOutNames,
    const std::function<bool(std::int64_t done, std::int64_t total)> &progress) const
{
    return generatePlans(files, singleRule(parameters), timedOutNames, progress);
}

std::vector<RenamePlan> FileRenameService::generatePlans(const std::vector<FileItem> &files,
    const RenameRuleList &rules, std::int64_t *timedOutNames,
    const std::function<bool(std::int64_t done, std::int64_t total)> &progress) const
{
    if (timedOutNames)
        *timedOutNames = 0;
    if (files.empty())
        return {};

    ConflictResolver resolver(m_fileAccess);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i + locationsAhead < files.size())
            files[i + locationsAhead].url.prefetch();
        resolver.expect(files[i].url);
    }

    // Each name is settled as soon as it is made: a list of provisional plans beside the final ones would
    // double the memory of a large preview for no gain.
    const bool captureDates = readsCaptureDates(rules);
    if (captureDates)
        prefetchCaptureDates(files, m_metadata);
    RenameRuleNamer namer(rules, m_metadata);
    std::vector<RenamePlan> plans;
    plans.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i + locationsAhead < files.size())
            files[i + locationsAhead].url.prefetch();
        const FileItem &file = files[i];
        plans.push_back(resolver.settle(file.url, file.name, namer.newName(file)));
        // Answered from the provider's cache, filled while the name was made.
        if (captureDates)
            plans.back().usedCreationDate = !m_metadata.captureDate(file.url.path()).has_value();
        const auto done = static_cast<std::int64_t>(plans.size());
        if (progress && done % planningProgressStep == 0 && !progress(done, static_cast<std::int64_t>(files.size())))
            break;
    }
    if (timedOutNames)
        *timedOutNames = namer.timedOutNames();
    return plans;
}
