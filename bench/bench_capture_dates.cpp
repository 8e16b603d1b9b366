// Capture dates: the first read of one file per format beside a bare open and read of its first 64 KiB, and
// the first and later previews of 10,000 small JPEGs named by capture date, read in parallel before planning
// or one after another.
//
//   ./build/bench/bench_capture_dates --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//
// The sample files are made once under /tmp with heif-enc, ffmpeg, ImageMagick and exiftool (as the tests make
// them) and removed at exit. The page cache is warm: the figures are the cost of opening and parsing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "CaptureDateReader.h"
#include "FileAccessService.h"
#include "FileRenameService.h"
#include "FileSorting.h"
#include "PhotoMetadataService.h"

namespace {

namespace fs = std::filesystem;

constexpr int filesPerFormat = 200;
constexpr int previewFiles = 10000;

/// Writes a capture date at +02:00 into the file named after it.
const char *const tagCommand = "exiftool -q -overwrite_original '-DateTimeOriginal=2021:04:11 09:08:07' "
                               "'-OffsetTimeOriginal=+02:00' ";

class Samples final {
public:
    Samples()
    {
        std::string pattern = (fs::temp_directory_path() / "quorvane-dates-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        const fs::path work = m_root / "work";
        fs::create_directory(work);
        const auto run = [](const std::string &command) {
            if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
                std::fprintf(stderr, "bench_capture_dates: failed: %s\n", command.c_str());
        };
        const std::string w = work.string() + "/";
        run("convert -size 64x64 xc:red " + w + "src.png");
        run("convert -size 64x64 xc:red -sampling-factor 4:2:0 " + w + "src.jpg");
        run("convert -size 8x8 xc:gray " + w + "photo.jpg && " + tagCommand + w + "photo.jpg");
        run("heif-enc -q 50 " + w + "src.png -o " + w + "photo.heic && " + tagCommand + w + "photo.heic");
        run("heif-enc -A " + w + "src.jpg -o " + w + "photo.avif && " + tagCommand + w + "photo.avif");
        run("convert -size 8x8 xc:gray -compress none tiff:" + w + "photo.nef && " + tagCommand + w + "photo.nef");
        const std::string clip = "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=64x48:rate=10 -t 1 -c:v "
                                 "libx264 -pix_fmt yuv420p -metadata creation_time=2021-04-11T07:08:07Z -y ";
        run(clip + w + "clip.mp4 && exiftool -q -overwrite_original '-Keys:CreationDate=2021:04:11 09:08:07+02:00' " + w
            + "clip.mp4");
        run(clip + w + "clip.mov");
        run(clip + w + "clip.mkv");
        for (const char *name :
            { "photo.jpg", "photo.heic", "photo.avif", "photo.nef", "clip.mp4", "clip.mov", "clip.mkv" }) {
            const fs::path folder = m_root / name;
            fs::create_directory(folder);
            for (int i = 0; i < filesPerFormat; ++i)
                fs::copy_file(work / name, folder / (std::to_string(i) + fs::path(name).extension().string()));
        }
        // 10,000 small JPEGs for the preview.
        const fs::path preview = m_root / "preview";
        fs::create_directory(preview);
        std::ifstream in(work / "photo.jpg", std::ios::binary);
        const std::string jpeg((std::istreambuf_iterator<char>(in)), {});
        for (int i = 0; i < previewFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%05d.JPG", i);
            std::ofstream(preview / name, std::ios::binary) << jpeg;
        }
    }
    ~Samples() { fs::remove_all(m_root); }
    Samples(const Samples &) = delete;
    Samples &operator=(const Samples &) = delete;

    std::vector<fs::path> files(const std::string &format) const
    {
        std::vector<fs::path> paths;
        for (const auto &entry : fs::directory_iterator(m_root / format))
            paths.push_back(entry.path());
        return paths;
    }
    fs::path previewFolder() const { return m_root / "preview"; }

    static const Samples &shared()
    {
        static Samples samples;
        return samples;
    }

private:
    fs::path m_root;
};

void perFile(benchmark::State &state, std::size_t files)
{
    // Seconds per file ("49u" is 49 microseconds), from CPU time, or from real time where the benchmark says so.
    state.counters["per_file"] = benchmark::Counter(
        static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FirstRead(benchmark::State &state, const std::string &format)
{
    const auto files = Samples::shared().files(format);
    int dated = 0;
    for (auto _ : state) {
        dated = 0;
        for (const auto &file : files)
            dated += CaptureDateReader::read(file).has_value() ? 1 : 0;
    }
    if (dated != static_cast<int>(files.size()))
        state.SkipWithError("a sample gave no date");
    perFile(state, files.size());
}

void BM_OpenRead64KiB(benchmark::State &state, const std::string &format)
{
    const auto files = Samples::shared().files(format);
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        for (const auto &file : files) {
            const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
            benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
            ::close(fd);
        }
    }
    perFile(state, files.size());
}

std::vector<FileItem> previewItems()
{
    std::vector<FileItem> files = FileAccessService().listFiles(Samples::shared().previewFolder(), false).value().files;
    sortByName(files);
    return files;
}

RenameParameters captureDateNames()
{
    RenameParameters parameters;
    parameters.strategy = RenameStrategy::dateName;
    parameters.dateSource = DateSource::capture;
    return parameters;
}

/// The first preview with every date read on this thread, one file after another, before planning.
void BM_FirstPreviewSequential(benchmark::State &state)
{
    const auto files = previewItems();
    FileAccessService disk;
    for (auto _ : state) {
        state.PauseTiming();
        auto metadata = std::make_unique<PhotoMetadataService>();
        FileRenameService service(disk, *metadata);
        state.ResumeTiming();
        for (const FileItem &file : files)
            benchmark::DoNotOptimize(metadata->captureDate(file.url.path()));
        benchmark::DoNotOptimize(service.generatePlans(files, captureDateNames()));
    }
    perFile(state, files.size());
}

/// The first preview as the application makes it: the planning call reads the dates on all cores.
void BM_FirstPreviewParallel(benchmark::State &state)
{
    const auto files = previewItems();
    FileAccessService disk;
    for (auto _ : state) {
        state.PauseTiming();
        auto metadata = std::make_unique<PhotoMetadataService>();
        FileRenameService service(disk, *metadata);
        state.ResumeTiming();
        benchmark::DoNotOptimize(service.generatePlans(files, captureDateNames()));
    }
    perFile(state, files.size());
}

/// Every later preview: the dates come from the cache.
void BM_LaterPreview(benchmark::State &state)
{
    const auto files = previewItems();
    FileAccessService disk;
    PhotoMetadataService metadata;
    FileRenameService service(disk, metadata);
    (void)service.generatePlans(files, captureDateNames());
    for (auto _ : state)
        benchmark::DoNotOptimize(service.generatePlans(files, captureDateNames()));
    perFile(state, files.size());
}

void registerAll()
{
    for (const char *format :
        { "photo.jpg", "photo.heic", "photo.avif", "photo.nef", "clip.mp4", "clip.mov", "clip.mkv" }) {
        benchmark::RegisterBenchmark((std::string("BM_FirstRead/") + format).c_str(), BM_FirstRead, format)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_OpenRead64KiB/") + format).c_str(), BM_OpenRead64KiB, format)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_FirstPreviewSequential", BM_FirstPreviewSequential)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_FirstPreviewParallel", BM_FirstPreviewParallel)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_LaterPreview", BM_LaterPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

int main(int argc, char **argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
