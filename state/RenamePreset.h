#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include <QString>
#include <QStringList>
#include <QUuid>

#include "RenameParameters.h"
#include "Result.h"

/// A saved set of rename settings, with the subfolder switch and the extensions the filter includes.
/// A plain value; two presets are equal when all five fields are equal.
struct RenamePreset {
    QUuid id; ///< identity; a fresh random identifier when the preset is created
    QString name; ///< shown in the list; several presets may share it
    RenameParameters parameters;
    bool includeSubfolders = false;
    QStringList includeExtensions; ///< in the order given when saved

    bool operator==(const RenamePreset &) const = default;

    /// The stored form: an object with exactly the keys "id" (canonical upper-case UUID text), "name",
    /// "parameters" (all 14 keys), "includeSubfolders" and "includeExtensions".
    nlohmann::json toJson() const;
    /// Decodes the stored form. All five keys are required with their exact JSON types (null is not accepted);
    /// "id" must be a 36-character 8-4-4-4-12 hexadecimal UUID text (either letter case); "parameters" follows
    /// the lenient rules of `RenameParameters::fromJson`; other keys are ignored. Fails with a message.
    static Result<RenamePreset> fromJson(const nlohmann::json &json);
};
