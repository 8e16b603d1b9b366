#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "FileAccessService.h"
#include "FileFilterCriteria.h"
#include "FileItem.h"
#include "FileRenameService.h"
#include "RenameParameters.h"
#include "RenamePlan.h"
#include "RenameRule.h"
#include "Result.h"

/// The rules of a batch and the list, sort, filter and plan sequence, shared by the window and the command line
/// so that both show and apply the same preview for the same folder and settings.
namespace RenamePipeline {

/// Whether two names are the same text under canonical equivalence (precomposed and decomposed accents are
/// equal; letter case counts).
bool canonicallyEqual(std::string_view a, std::string_view b);

/// Whether a plan changes the name, comparing the names under canonical equivalence.
bool changesName(const RenamePlan &plan);

/// The plans that change a name, in their order: what an apply performs.
std::vector<RenamePlan> changedPlans(const std::vector<RenamePlan> &plans);

/// Whether no two changed plans share a target: targets are compared as standardised paths in NFD, letter case
/// counting; plans whose new name is canonically equal to the old one are skipped.
bool targetsAreDistinct(const std::vector<RenamePlan> &plans);

/// Told how far a stage got: `done` of `total` (`total` 0 while the listing cannot know it yet). Returning false
/// stops the stage early; what it returns then is incomplete and must be dropped. Called on the thread that runs
/// the stage.
using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;

/// The files of `folder` (and its subfolders when `includeSubfolders`) sorted for display: by name,
/// locale-aware and case-insensitive, stable. Fails as `FileAccessService::listFiles` does, and with ECANCELED
/// when `progress` asked to stop. `keepStamps` keeps each file's stamp (`FileListing::stamps`).
Result<FileListing> listSorted(const FileAccessService &fileAccess, const std::filesystem::path &folder,
    bool includeSubfolders, const Progress &progress = {}, bool keepStamps = false);

/// The files that pass `criteria`, in their order.
std::vector<FileItem> filter(const std::vector<FileItem> &files, const FileFilterCriteria &criteria);
/// The same, taking over `files` (no record is copied).
std::vector<FileItem> filter(std::vector<FileItem> &&files, const FileFilterCriteria &criteria);

/// A preview: one plan per file, and how many names the pattern ran out of time on.
struct Preview {
    std::vector<RenamePlan> plans;
    std::int64_t timedOutNames = 0;
    /// Set by `plan`: how many plans change a name, and whether their targets are distinct (`targetsAreDistinct`),
    /// so that an apply need not walk a large preview again before it starts.
    std::size_t changedCount = 0;
    bool targetsDistinct = true;
    /// Whether `progress` stopped the planning: the plans are then fewer than the files.
    bool stopped = false;

    /// "N names left unchanged: the pattern took too long" ("1 name ..."); empty when none timed out.
    std::string timedOutLine() const;
};

/// The planning stage: the filtered files in display order to one plan per file. Whatever builds the new names
/// (one set of rename settings today) is bound into it, so that the sequence around it stays the same.
/// It may stop early when `progress` returns false.
using Planner = std::function<Preview(const std::vector<FileItem> &files, const Progress &progress)>;

/// Plans with `service` under `parameters` (copied into the planner). `service` must outlive the planner.
Planner plannerFor(const FileRenameService &service, RenameParameters parameters);

/// Plans with `service` through the rule list `rules` (copied into the planner). `service` must outlive it.
Planner plannerFor(const FileRenameService &service, RenameRuleList rules);

/// Runs `planner` over `files`, then counts the changed plans and checks their targets.
Preview plan(const Planner &planner, const std::vector<FileItem> &files, const Progress &progress = {});

} // namespace RenamePipeline
