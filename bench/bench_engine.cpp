// Listing and planning costs against bare system-call loops on the same folders, in one run.
//   ./build/bench/bench_engine --benchmark_counters_tabular=true
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BenchFolder.h"
#include "FileAccessService.h"
#include "FileMetadataProviding.h"
#include "FileRenameService.h"
#include "FileSorting.h"

namespace {

const BenchFolder &folderOf(int count)
{
    return BenchFolder::of(count);
}

std::vector<FileItem> sortedListing(const std::filesystem::path &folder)
{
    auto files = FileAccessService().listFiles(folder, false).value().files;
    sortByName(files);
    return files;
}

void BM_BareReaddirStatAccess(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DIR *dir = ::opendir(folder.path().c_str());
        const int fd = ::dirfd(dir);
        std::int64_t kept = 0;
        while (const dirent *entry = ::readdir(dir)) {
            struct stat info;
            if (entry->d_name[0] == '.' || ::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISREG(info.st_mode) && ::faccessat(fd, entry->d_name, R_OK | W_OK, 0) == 0)
                ++kept;
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(kept);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ListFiles(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    FileAccessService access;
    for (auto _ : state) {
        auto listing = access.listFiles(folder.path(), false);
        benchmark::DoNotOptimize(listing->files.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortByName(benchmark::State &state)
{
    const auto files
        = FileAccessService().listFiles(folderOf(static_cast<int>(state.range(0))).path(), false).value().files;
    for (auto _ : state) {
        auto copy = files;
        sortByName(copy);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BareStatPerFile(benchmark::State &state)
{
    const auto files = sortedListing(folderOf(static_cast<int>(state.range(0))).path());
    for (auto _ : state) {
        std::int64_t found = 0;
        for (const auto &file : files) {
            struct stat info;
            found += ::stat(file.url.c_str(), &info) == 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void planBenchmark(benchmark::State &state, const RenameRuleList &rules)
{
    const auto files = sortedListing(folderOf(static_cast<int>(state.range(0))).path());
    FileAccessService access;
    NoMetadataProvider metadata;
    FileRenameService service(access, metadata);
    for (auto _ : state) {
        auto plans = service.generatePlans(files, rules);
        benchmark::DoNotOptimize(plans.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GeneratePlansPrefix(benchmark::State &state)
{
    RenameParameters parameters;
    parameters.prefixText = "Trip ";
    planBenchmark(state, singleRule(parameters));
}

// Five chained rules over the same files as BM_GeneratePlansPrefix (one rule), to be compared in one run: prefix,
// regular-expression replace, title case, sequence, lower case.
void BM_GeneratePlansFiveRules(benchmark::State &state)
{
    RenameRuleList rules(5);
    rules[0].parameters.prefixText = "Trip ";
    rules[1].parameters.strategy = RenameStrategy::replace;
    rules[1].parameters.useRegularExpression = true;
    rules[1].parameters.searchText = "IMG_(\\d+)";
    rules[1].parameters.replaceText = "photo $1";
    rules[2].parameters.strategy = RenameStrategy::titleCase;
    rules[3].parameters.strategy = RenameStrategy::suffixSequence;
    rules[4].parameters.strategy = RenameStrategy::lowercase;
    rules[4].parameters.preserveExtension = false;
    planBenchmark(state, rules);
}

void BM_GeneratePlansAllOneName(benchmark::State &state)
{
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::replace;
    parameters.useRegularExpression = true;
    parameters.searchText = "^.*$";
    parameters.replaceText = "Same";
    planBenchmark(state, singleRule(parameters));
}

/// Memory figures of this process, in megabytes.
struct MemorySample {
    double heapInUse = 0; ///< bytes handed out by malloc and not freed
    double resident = 0; ///< current resident set
    double residentPeak = 0; ///< highest resident set since the last resetResidentPeak
};

double megabytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

MemorySample sampleMemory()
{
    MemorySample sample;
    const struct mallinfo2 heap = ::mallinfo2();
    sample.heapInUse = megabytes(static_cast<double>(heap.uordblks + heap.hblkhd));
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        // Both lines read "VmRSS:     12345 kB".
        const auto kilobytes = [&line] { return std::strtod(line.c_str() + line.find(':') + 1, nullptr) / 1024.0; };
        if (line.rfind("VmRSS:", 0) == 0)
            sample.resident = kilobytes();
        else if (line.rfind("VmHWM:", 0) == 0)
            sample.residentPeak = kilobytes();
    }
    return sample;
}

/// Lets VmHWM start again from the current resident set (Linux 4.0 and later), so that a peak can be
/// attributed to one phase instead of to everything the process did before.
void resetResidentPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The memory that the records and plans of one folder add to a process that has already loaded ICU, its
// collation and normalisation data and built one small preview: the baseline is taken after such a warm-up and
// after handing freed memory back to the system.
//   records_MB, plans_MB: heap in use after the listing (and its sort) and after planning, minus what was in use
//                         before each; both are still alive at the end.
//   rssDelta_MB:          resident set with records and plans alive, minus the baseline resident set.
//   peakDelta_MB:         highest resident set while listing, sorting and planning, minus the baseline; this
//                         includes transient buffers (sort keys, the resolver's tables).
//   baselineRSS_MB:       the process before the records were built (program, libraries, ICU data).
// Run it alone for the process figures to mean anything:
//   ./build/bench/bench_engine --benchmark_filter=Memory
void BM_MemoryRecordsAndPlans(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    NoMetadataProvider metadata;
    {
        const auto warmUp = sortedListing(folderOf(10).path());
        FileAccessService access;
        const auto plans = FileRenameService(access, metadata).generatePlans(warmUp, RenameParameters());
        benchmark::DoNotOptimize(plans.data());
    }
    for (auto _ : state) {
        ::malloc_trim(0);
        const MemorySample baseline = sampleMemory();
        resetResidentPeak();
        const auto files = sortedListing(folder.path());
        const MemorySample listed = sampleMemory();
        FileAccessService access;
        const auto plans = FileRenameService(access, metadata).generatePlans(files, RenameParameters());
        const MemorySample planned = sampleMemory();
        benchmark::DoNotOptimize(plans.data());

        state.counters["records_MB"] = listed.heapInUse - baseline.heapInUse;
        state.counters["plans_MB"] = planned.heapInUse - listed.heapInUse;
        state.counters["rssDelta_MB"] = planned.resident - baseline.resident;
        state.counters["peakDelta_MB"] = std::max(listed.residentPeak, planned.residentPeak) - baseline.resident;
        state.counters["baselineRSS_MB"] = baseline.resident;
    }
}

} // namespace

BENCHMARK(BM_BareReaddirStatAccess)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFiles)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByName)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareStatPerFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratePlansPrefix)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratePlansFiveRules)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratePlansAllOneName)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryRecordsAndPlans)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
