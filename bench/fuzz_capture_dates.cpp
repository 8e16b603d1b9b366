// Feeds damaged copies of real photos and videos to the capture-date reader for a fixed time: each round
// takes a seed file, cuts it at a random length and/or overwrites random bytes, writes it under the seed's
// extension and reads its date. Meant for the sanitizer build (-DQUORVANE_SANITIZE=ON), where a memory error
// or undefined behaviour stops the run; not a test of ctest. bench/fuzz_capture_dates.sh makes the seeds.
//
//   fuzz_capture_dates SECONDS SEED...
//
// Prints the rounds run, how many gave a date, and the slowest read; reads over a second are copied to
// $TMPDIR/quorvane-fuzz-slow-N.<ext>. The mutant being read is kept at
// $TMPDIR/quorvane-fuzz-current.<ext> so that a crash leaves it behind.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CaptureDateReader.h"

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_capture_dates SECONDS SEED...\n");
        return 2;
    }
    const auto budget = std::chrono::seconds(std::atoi(argv[1]));
    struct Seed {
        std::string bytes;
        std::string extension;
    };
    std::vector<Seed> seeds;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        seeds.push_back({ std::string(std::istreambuf_iterator<char>(in), {}),
            std::filesystem::path(argv[i]).extension().string() });
        if (seeds.back().bytes.empty()) {
            std::fprintf(stderr, "fuzz_capture_dates: empty seed %s\n", argv[i]);
            return 2;
        }
    }
    std::mt19937_64 random(std::random_device {}());
    const auto start = std::chrono::steady_clock::now();
    long long rounds = 0;
    long long dated = 0;
    double slowestSeconds = 0;
    std::string slowest;
    int slowCopies = 0;
    const std::filesystem::path scratch = std::filesystem::temp_directory_path();
    while (std::chrono::steady_clock::now() - start < budget) {
        const Seed &seed = seeds[random() % seeds.size()];
        std::string bytes = seed.bytes;
        const unsigned kind = random() % 3; // 0 cut, 1 flip, 2 both
        if (kind != 1)
            bytes.resize(random() % (bytes.size() + 1));
        if (kind != 0 && !bytes.empty()) {
            const unsigned flips = 1 + random() % 16;
            for (unsigned i = 0; i < flips; ++i)
                bytes[random() % bytes.size()] = static_cast<char>(random());
        }
        const std::filesystem::path file = scratch / ("quorvane-fuzz-current" + seed.extension);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        const auto before = std::chrono::steady_clock::now();
        if (CaptureDateReader::read(file))
            ++dated;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
        // Reads over a second are kept for a closer look.
        if (seconds > 1.0 && slowCopies < 5) {
            const std::filesystem::path copy
                = scratch / ("quorvane-fuzz-slow-" + std::to_string(slowCopies++) + seed.extension);
            std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
            std::printf("slow read %.3f s kept as %s\n", seconds, copy.c_str());
        }
        if (seconds > slowestSeconds) {
            slowestSeconds = seconds;
            slowest = seed.extension + " of " + std::to_string(bytes.size()) + " bytes";
        }
        ++rounds;
    }
    std::printf(
        "rounds %lld, with a date %lld, slowest read %.3f s (%s)\n", rounds, dated, slowestSeconds, slowest.c_str());
    return 0;
}
