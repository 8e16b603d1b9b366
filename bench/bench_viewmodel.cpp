// What the view model adds over the engine: loading a folder and replanning the preview (one sidebar keystroke),
// each next to the same engine calls made directly, on the same folders in one run.
//   ./build/bench/bench_viewmodel --benchmark_counters_tabular=true
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "BenchFolder.h"
#include "FileAccessService.h"
#include "FileFilterService.h"
#include "FileMetadataProviding.h"
#include "FileRenameService.h"
#include "FileSorting.h"
#include "QuorvaneViewModel.h"
#include "RenamePresetStore.h"
#include "SettingsStoreQt.h"

namespace {

const BenchFolder &folderOf(int count)
{
    return BenchFolder::of(count);
}

RenameParameters prefixParameters()
{
    RenameParameters parameters;
    parameters.prefixText = "Trip ";
    return parameters;
}

// The services of the composition root, and a view model whose presets live in a throwaway settings file.
struct Application {
    FileAccessService fileAccess;
    FileFilterService filterService;
    FileAccessService renameFileSystem;
    NoMetadataProvider metadata;
    FileRenameService renameService { renameFileSystem, metadata };
    std::filesystem::path settingsFile = std::filesystem::temp_directory_path() / "quorvane-bench-settings.conf";
    SettingsStoreQt settings { QString::fromStdString(settingsFile.string()) };
    QuorvaneViewModel model { fileAccess, filterService, renameService, std::make_unique<RenamePresetStore>(settings) };

    Application() { model.setRenameParameters(prefixParameters()); }
    ~Application() { std::filesystem::remove(settingsFile); }
};

// What loadFolder does, called on the services directly: list, sort, filter, plan.
void BM_EngineLoad(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    FileAccessService access;
    FileFilterService filter;
    NoMetadataProvider metadata;
    FileRenameService service(access, metadata);
    const FileFilterCriteria criteria;
    const RenameParameters parameters = prefixParameters();
    for (auto _ : state) {
        auto files = access.listFiles(folder.path(), false).value().files;
        sortByName(files);
        auto filtered = filter.filter(files, criteria);
        auto plans = service.generatePlans(filtered, parameters);
        benchmark::DoNotOptimize(plans.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ViewModelLoadFolder(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    Application application;
    for (auto _ : state) {
        application.model.loadFolder(folder.path());
        benchmark::DoNotOptimize(application.model.renamePlans().data());
    }
    if (application.model.renamePlans().size() != static_cast<std::size_t>(state.range(0)))
        state.SkipWithError("the view model did not plan every file");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One replanning of an already filtered listing.
void BM_EngineGeneratePlans(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    FileAccessService access;
    NoMetadataProvider metadata;
    FileRenameService service(access, metadata);
    auto files = access.listFiles(folder.path(), false).value().files;
    sortByName(files);
    const RenameParameters parameters = prefixParameters();
    for (auto _ : state) {
        auto plans = service.generatePlans(files, parameters);
        benchmark::DoNotOptimize(plans.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ViewModelUpdateRenamePlans(benchmark::State &state)
{
    const auto &folder = folderOf(static_cast<int>(state.range(0)));
    Application application;
    application.model.loadFolder(folder.path());
    for (auto _ : state) {
        application.model.updateRenamePlans();
        benchmark::DoNotOptimize(application.model.renamePlans().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_EngineLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewModelLoadFolder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineGeneratePlans)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewModelUpdateRenamePlans)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
