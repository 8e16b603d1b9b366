#pragma once

#include <vector>

#include "FileRenameFileSystem.h"
#include "RenamePlan.h"

/// Settles the provisional plans of one planning call, in list order: a new name already given out in the same
/// folder during this call, or held on disk by another item, gets " (n)" before its extension, with the
/// smallest free n. Reserved names are compared in NFD. An existing item is taken as the file itself only when
/// its path equals the file's own path, or differs only in letter case and the folder holds no entry spelled
/// exactly like the candidate. Every emitted plan gets a fresh id.
/// Cost grows about linearly: per folder and base name the search for a free counter resumes where the last
/// one stopped.
std::vector<RenamePlan> resolveConflicts(const std::vector<RenamePlan> &provisional, const FileRenameFileSystem &fileSystem);
