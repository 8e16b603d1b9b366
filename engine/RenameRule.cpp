#include "RenameRule.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "NameGenerator.h"

nlohmann::json RenameRule::toJson() const
{
    nlohmann::json json = parameters.toJson();
    json["enabled"] = enabled;
    return json;
}

Result<RenameRule> RenameRule::fromJson(const nlohmann::json &json)
{
    Result<RenameParameters> parameters = RenameParameters::fromJson(json);
    if (!parameters)
        return parameters.error();
    RenameRule rule { std::move(*parameters), true };
    const auto enabled = json.find("enabled");
    if (enabled != json.end() && !enabled->is_null()) {
        if (!enabled->is_boolean())
            return Error { "\"enabled\": expected a boolean" };
        rule.enabled = enabled->get<bool>();
    }
    return rule;
}

RenameRuleList singleRule(const RenameParameters &parameters)
{
    return { RenameRule { parameters, true } };
}

nlohmann::json renameRulesToJson(const RenameRuleList &rules)
{
    nlohmann::json json = nlohmann::json::array();
    for (const RenameRule &rule : rules)
        json.push_back(rule.toJson());
    return json;
}

Result<RenameRuleList> renameRulesFromJson(const nlohmann::json &json)
{
    if (json.is_object()) {
        Result<RenameRule> rule = RenameRule::fromJson(json);
        if (!rule)
            return rule.error();
        return RenameRuleList { std::move(*rule) };
    }
    if (!json.is_array())
        return Error { "rename rules: expected an object or an array of objects" };
    RenameRuleList rules;
    rules.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const std::string position = "rule " + std::to_string(i + 1) + ": ";
        if (!json[i].is_object())
            return Error { position + "expected an object" };
        Result<RenameRule> rule = RenameRule::fromJson(json[i]);
        if (!rule)
            return Error { position + rule.error().message };
        rules.push_back(std::move(*rule));
    }
    return rules;
}

bool isRepresentableByEarlierReleases(const RenameRuleList &rules)
{
    return rules.size() == 1 && rules.front().enabled && rules.front().parameters.isRepresentableByEarlierReleases();
}

bool readsCaptureDates(const RenameRuleList &rules)
{
    return std::any_of(rules.begin(), rules.end(), [](const RenameRule &rule) {
        return rule.enabled && rule.parameters.strategy == RenameStrategy::dateName
            && rule.parameters.dateSource == DateSource::capture;
    });
}

struct RenameRuleNamer::Impl {
    /// One enabled rule, its generator and its counters.
    struct Step {
        std::unique_ptr<NameGenerator> generator;
        std::int64_t start = 0;
        bool restartPerFolder = false;
        bool numbers = false;
        std::int64_t counter = 0;
        std::unordered_map<std::string, std::int64_t> folderCounters;
    };
    std::vector<Step> steps;
};

RenameRuleNamer::RenameRuleNamer(const RenameRuleList &rules, FileMetadataProviding &metadata)
    : m_impl(std::make_unique<Impl>())
{
    for (const RenameRule &rule : rules) {
        if (!rule.enabled)
            continue;
        Impl::Step step;
        step.generator = std::make_unique<NameGenerator>(rule.parameters, metadata);
        step.start = rule.parameters.sequenceStart;
        step.restartPerFolder = rule.parameters.sequenceRestartPerFolder;
        step.numbers = step.generator->numbersFiles();
        step.counter = step.start;
        m_impl->steps.push_back(std::move(step));
    }
}

RenameRuleNamer::~RenameRuleNamer() = default;

std::string RenameRuleNamer::newName(const FileItem &file)
{
    std::string name = file.name;
    for (Impl::Step &step : m_impl->steps) {
        std::int64_t *counter = &step.counter;
        if (step.numbers && step.restartPerFolder) {
            const std::string_view location = file.url.text();
            const std::string folder(location.substr(0, location.rfind('/')));
            counter = &step.folderCounters.try_emplace(folder, step.start).first->second;
        }
        name = step.generator->newName(file, name, *counter);
    }
    return name;
}

std::int64_t RenameRuleNamer::timedOutNames() const
{
    std::int64_t total = 0;
    for (const Impl::Step &step : m_impl->steps)
        total += step.generator->timedOutNames();
    return total;
}
