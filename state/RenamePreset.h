#pragma once

#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include <QString>
#include <QStringList>
#include <QUuid>

#include "FileSorting.h"
#include "RenameParameters.h"
#include "RenameRule.h"
#include "Result.h"

/// A saved set of rename settings, with the subfolder switch and the extensions the filter includes.
/// A plain value; two presets are equal when all their fields are equal.
struct RenamePreset {
    QUuid id; ///< identity; a fresh random identifier when the preset is created
    QString name; ///< shown in the list; several presets may share it
    RenameParameters parameters; ///< the settings of a one-rule preset; the first rule's of a longer list
    bool includeSubfolders = false;
    QStringList includeExtensions; ///< in the order given when saved
    /// The whole rule list when it is anything but one enabled rule (then it is absent and `parameters` is that
    /// rule). Set through `setRules`, which keeps this form.
    std::optional<RenameRuleList> rules;
    FileOrder order = FileOrder::name; ///< the order the files are numbered in
    bool orderAscending = true;

    bool operator==(const RenamePreset &) const = default;

    /// The preset's rules: `rules`, or the one rule `parameters` when `rules` is absent.
    RenameRuleList ruleList() const;
    /// Sets `rules` and `parameters` from a rule list (see `rules`).
    void setRules(const RenameRuleList &list);

    /// The stored form an earlier release reads: an object with exactly the keys "id" (canonical upper-case UUID
    /// text), "name", "parameters" (the 14 keys of `RenameParameters::toJson`), "includeSubfolders" and
    /// "includeExtensions", and "order" ({"by": "natural", "ascending": false}) unless the order is Name ascending.
    nlohmann::json toJson() const;
    /// `toJson` with a "rules" key holding the whole rule list (`renameRulesToJson`).
    nlohmann::json toJsonWithRules() const;
    /// Decodes the stored form. The five keys of `toJson` are required with their exact JSON types (null is not
    /// accepted); "id" must be a 36-character 8-4-4-4-12 hexadecimal UUID text (either letter case);
    /// "parameters" follows the lenient rules of `RenameParameters::fromJson`; an array "rules", when present,
    /// is the rule list (`renameRulesFromJson`); "order", when present, is the numbering order, and one that does
    /// not decode (an unknown "by", a "by" or "ascending" of the wrong type) is Name ascending, with a line in
    /// the log, so that the preset and the rest of the list still load; other keys are ignored. Fails with a
    /// message.
    static Result<RenamePreset> fromJson(const nlohmann::json &json);
};
