#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "FileItem.h"
#include "FileMetadataProviding.h"
#include "RenameParameters.h"
#include "Result.h"

/// One step of a rename: a strategy with its settings, and whether it takes part.
struct RenameRule {
    RenameParameters parameters;
    bool enabled = true;

    bool operator==(const RenameRule &) const = default;

    /// The settings' JSON object (see `RenameParameters::toJson`) with "enabled" added.
    nlohmann::json toJson() const;
    /// Decodes one rule: the settings as `RenameParameters::fromJson` reads them, and an optional Boolean
    /// "enabled" (absent or null: true). Fails with a message.
    static Result<RenameRule> fromJson(const nlohmann::json &json);
};

/// The rules of one batch, in the order they apply: each enabled rule transforms the name the previous one
/// produced. An empty list, or one whose rules are all disabled, changes no name.
using RenameRuleList = std::vector<RenameRule>;

/// A list of one enabled rule with these settings: the batch of a single strategy.
RenameRuleList singleRule(const RenameParameters &parameters);
/// A JSON array of the rules' objects, in order.
nlohmann::json renameRulesToJson(const RenameRuleList &rules);
/// Decodes either one rule's object (a list of that rule) or an array of rule objects. An element that is not
/// an object, or that does not decode, fails the whole list with a message naming its position ("rule 2: ...").
Result<RenameRuleList> renameRulesFromJson(const nlohmann::json &json);
/// Whether an earlier release, which knew one strategy per batch, gives these rules their meaning: one enabled
/// rule whose settings it can read (`RenameParameters::isRepresentableByEarlierReleases`).
bool isRepresentableByEarlierReleases(const RenameRuleList &rules);
/// Whether any enabled rule makes date names from capture dates.
bool readsCaptureDates(const RenameRuleList &rules);

/// Computes new names through a whole rule list for the files of one planning call, in list order. Each
/// numbering rule keeps its own counter, starting at its `sequenceStart` and advancing by its step for every
/// file it numbers; with `sequenceRestartPerFolder` each folder has its own counter, starting again at
/// `sequenceStart` for the folder's first file in list order. Never fails; not thread-safe; one per call.
class RenameRuleNamer final {
public:
    /// Prepares the enabled rules of `rules`; `metadata` must outlive the namer.
    RenameRuleNamer(const RenameRuleList &rules, FileMetadataProviding &metadata);
    ~RenameRuleNamer();
    RenameRuleNamer(const RenameRuleNamer &) = delete;
    RenameRuleNamer &operator=(const RenameRuleNamer &) = delete;

    /// The name `file` gets from the enabled rules, applied in order (NFC, never containing "/"); without any,
    /// the file's own name, unchanged.
    std::string newName(const FileItem &file);
    /// How many names so far a regular expression ran out of time on, over all rules.
    std::int64_t timedOutNames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
