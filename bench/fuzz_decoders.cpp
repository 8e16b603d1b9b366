// Feeds damaged copies of valid inputs to the three decoders of outside text for a fixed time, a third of it
// each: the stored preset list (through RenamePresetStore over an in-memory settings store: load, then a save
// over whatever was stored), the --params JSON (RenameParameters::fromJson, then the names those settings
// give for a few files), and the update feed (UpdateInfo::fromFeed). Each round takes a seed, cuts it, flips,
// inserts or deletes bytes, or splices in JSON tokens. Meant for the sanitizer build (-DQUORVANE_SANITIZE=ON),
// where a memory error or undefined behaviour stops the run; not a test of ctest.
//
//   fuzz_decoders SECONDS
//
// Prints, per decoder, the rounds run and how many inputs decoded. The input being decoded is kept at
// $TMPDIR/quorvane-fuzz-decoder-input so that a crash leaves it behind.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FileAccessService.h"
#include "FileRenameService.h"
#include "Log.h"
#include "PhotoMetadataService.h"
#include "RenamePresetStore.h"
#include "UpdateInfo.h"

namespace {

class MemorySettings final : public SettingsStore {
public:
    std::optional<std::string> bytes(const std::string &key) const override
    {
        const auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    bool setBytes(const std::string &key, const std::string &value) override
    {
        values[key] = value;
        return true;
    }
    std::optional<std::string> update(const std::function<Changes(const Reader &read)> &change) override
    {
        for (const auto &[key, value] : change([this](const std::string &key) { return bytes(key); }))
            values[key] = value;
        return std::nullopt;
    }
    std::map<std::string, std::string> values;
};

const std::vector<std::string> tokens { "{", "}", "[", "]", "\"", ":", ",", "null", "true", "false", "0", "-1", "1e999",
    "-9223372036854775809", "18446744073709551616", "0.5", "\"\\ud800\"", "\"\\u0000\"", "\"\xff\"", "\"strategy\"",
    "\"dateSource\"", "\"sequencePadding\"", "\"searchText\"", "\"replaceText\"", "\"releases\"", "\"version\"",
    "\"url\"", "\"notes_en\"", "\"id\"", "\"parameters\"", "\"includeExtensions\"", "\"(a+)+$\"",
    "\"$1\\\\u000A$99${x}\"", "\"dateName\"", "\"replace\"" };

std::string mutate(std::string bytes, std::mt19937_64 &random)
{
    const unsigned steps = 1 + random() % 4;
    for (unsigned step = 0; step < steps; ++step) {
        const std::size_t at = bytes.empty() ? 0 : random() % (bytes.size() + 1);
        switch (random() % 5) {
        case 0:
            bytes.resize(at);
            break;
        case 1:
            if (!bytes.empty())
                bytes[random() % bytes.size()] = static_cast<char>(random());
            break;
        case 2:
            bytes.insert(at, tokens[random() % tokens.size()]);
            break;
        case 3:
            bytes.erase(at, random() % 16);
            break;
        default:
            if (!bytes.empty()) {
                const std::size_t from = random() % bytes.size();
                bytes.insert(at, bytes.substr(from, random() % 32));
            }
            break;
        }
    }
    return bytes;
}

struct Decoder {
    const char *name;
    std::vector<std::string> seeds;
    std::function<bool(const std::string &)> decode;
    long long rounds = 0;
    long long decoded = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_decoders SECONDS\n");
        return 2;
    }
    const auto budget = std::chrono::seconds(std::atoi(argv[1]));
    // Every undecodable preset list is reported to the log; millions of such lines would only slow the run.
    setLogSink([](const std::string &) {});

    // A few real files to name, so that decoded settings are also used.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorvane-fuzz-decoder-files";
    std::filesystem::create_directories(folder);
    std::vector<FileItem> files;
    for (const char *name : { "IMG_0001.JPG", "aaaaaaaaaaaaaaaaaaaaaaaaab.txt", "Été.txt", "noext" }) {
        std::ofstream(folder / name) << "x";
        files.push_back(FileItem::make(folder / name));
    }
    FileAccessService disk;
    FileRenameService renameService(disk, PhotoMetadataService::shared());

    std::vector<std::string> parameterSeeds;
    for (const char *json :
        { R"J({"strategy":"replace","useRegularExpression":true,"searchText":"(\\d+)",
                                  "replaceText":"<$1>\\u002F"})J",
            R"({"strategy":"dateName","dateSource":"capture","dateFormat":"yearMonthDayTime","datePosition":"suffix"})",
            R"({"strategy":"prefixSequence","sequenceStart":-5,"sequencePadding":300,"sequenceSeparator":":"})",
            R"({"strategy":"uppercase","preserveExtension":false})",
            R"([{"strategy":"titleCase"},{"strategy":"insert","insertText":"x","insertPosition":2,"enabled":false},
                {"strategy":"remove","removeCount":3,"removeFromEnd":true},{"strategy":"suffixSequence",
                "sequenceStep":-7,"sequenceRestartPerFolder":true}])" }) {
        parameterSeeds.push_back(nlohmann::json::parse(json).dump());
    }
    RenameParameters full;
    full.strategy = RenameStrategy::replace;
    full.searchText = "IMG";
    parameterSeeds.push_back(full.toJson().dump());
    const RenamePreset preset { QUuid::createUuid(), QStringLiteral("Holiday"), full, true, { QStringLiteral("jpg") },
        std::nullopt };
    const std::string presetSeed = nlohmann::json::array({ preset.toJson(), preset.toJson() }).dump();

    std::vector<Decoder> decoders;
    decoders.push_back({ "preset list", { presetSeed, "[]" }, [](const std::string &input) {
                            MemorySettings settings;
                            settings.values[RenamePresetStore::defaultStorageKey] = input;
                            RenamePresetStore store(settings);
                            const bool loaded = !store.presets().isEmpty();
                            (void)store.savePreset(QStringLiteral("New"), RenameParameters {}, false, {});
                            (void)store.savePreset(QStringLiteral("List"), RenameRuleList(2), false, {});
                            return loaded;
                        } });
    decoders.push_back({ "--params", parameterSeeds, [&](const std::string &input) {
                            const nlohmann::json json = nlohmann::json::parse(input, nullptr, false);
                            if (json.is_discarded())
                                return false;
                            const Result<RenameRuleList> rules = renameRulesFromJson(json);
                            if (!rules)
                                return false;
                            (void)renameService.generatePlans(files, *rules);
                            return true;
                        } });
    decoders.push_back({ "update feed",
        { R"({"releases":[{"version":"2.1.0","url":"https://example.org/q.tar.gz","notes_en":"Fixes","notes":"x"}]})",
            R"({"releases":[{"version":"1.0","url":"http://127.0.0.1/a"}],"extra":[1,2,{"a":null}]})" },
        [](const std::string &input) {
            return UpdateInfo::fromFeed(QByteArray(input.data(), static_cast<qsizetype>(input.size()))).has_value();
        } });

    std::mt19937_64 random(std::random_device {}());
    const std::filesystem::path keep = std::filesystem::temp_directory_path() / "quorvane-fuzz-decoder-input";
    for (Decoder &decoder : decoders) {
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < budget / 3) {
            const std::string input = mutate(decoder.seeds[random() % decoder.seeds.size()], random);
            std::ofstream(keep, std::ios::binary | std::ios::trunc) << input;
            decoder.decoded += decoder.decode(input) ? 1 : 0;
            ++decoder.rounds;
        }
        std::printf("%s: rounds %lld, decoded %lld\n", decoder.name, decoder.rounds, decoder.decoded);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
