// What the rename journal costs: a batch of 10,000 renames on the folder's file system (ext4 under /tmp), applied
// path by path without a journal (as batches ran before there was one) and by the journaled runner (folder opened
// once, every step written and flushed first, progress flushed every second), alternating, several rounds. Prints
// the median of each and their ratio. Outstanding writes are committed (sync) before each timed batch. Usage:
// bench_journal [FILES] [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>

#include "BenchFolder.h"
#include "BatchFolder.h"
#include "RenameBatchRunner.h"
#include "RenameJournal.h"

namespace {

class NoMetadata final : public FileMetadataProviding {
public:
    std::optional<TimePoint> captureDate(const std::filesystem::path &) override { return std::nullopt; }
};

std::vector<RenamePlan> plansFor(
    const std::filesystem::path &folder, int count, const std::string &from, const std::string &to)
{
    std::vector<RenamePlan> plans;
    plans.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%06d.JPG", i);
        plans.push_back(RenamePlan { Uuid::random(), FileLocation(folder / (from + name)),
            FileLocation(folder / (to + name)), from + name, to + name });
    }
    return plans;
}

/// The batch as it ran before there was a journal: each plan renamed by its paths, without replacing anything.
std::size_t renameByPath(const std::vector<RenamePlan> &plans)
{
    std::size_t renamed = 0;
    for (const RenamePlan &plan : plans)
        renamed += static_cast<bool>(
            renameNoReplace(AT_FDCWD, plan.originalURL.path().c_str(), AT_FDCWD, plan.newURL.path().c_str()));
    return renamed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const BenchFolder folder(count);
    const std::string stateTemplate = (std::filesystem::temp_directory_path() / "quorvane-bench-state-XXXXXX").string();
    std::string statePath = stateTemplate;
    const RenameJournalStore store(std::filesystem::path(::mkdtemp(statePath.data())) / "Quorvane");

    NoMetadata metadata;
    RenameBatchRunner runner(store, metadata);
    const auto forward = plansFor(folder.path(), count, "", "p_");
    const auto back = plansFor(folder.path(), count, "p_", "");
    const auto identity = FolderIdentity::of(folder.path());

    std::vector<double> plain;
    std::vector<double> journaled;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool withJournal = (round + turn) % 2 == 1;
            // Each timed batch starts with the disk's own journal committed: otherwise the journal's fsync would
            // also pay for writing out the 10,000 renames of the previous (untimed) round.
            ::sync();
            const auto start = std::chrono::steady_clock::now();
            std::size_t renamed = 0;
            if (withJournal)
                renamed = runner.apply(folder.path(), identity, forward).renamedCount;
            else
                renamed = renameByPath(forward);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            (withJournal ? journaled : plain).push_back(took.count());
            if (renamed != static_cast<std::size_t>(count)) {
                std::fprintf(stderr, "only %zu of %d renamed\n", renamed, count);
                return 1;
            }
            (void)renameByPath(back);
        }
    }
    std::filesystem::remove_all(store.location().parent_path());
    std::printf("%d renames, median of %d rounds: without journal %.1f ms, with journal %.1f ms, ratio %.3f\n", count,
        rounds, median(plain), median(journaled), median(journaled) / median(plain));
    return 0;
}
