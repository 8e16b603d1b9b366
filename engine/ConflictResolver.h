#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FileRenameFileSystem.h"
#include "RenamePlan.h"

/// Settles the provisional plans of one planning call, in list order: a new name already given out in the same
/// folder during this call, or held on disk by another item, gets " (n)" before its extension, with the
/// smallest free n. Reserved names are compared in NFD, and on a volume that ignores letter case (learnt per
/// folder from its first file: its name in another letter case is found there) also ignoring
/// letter case, as the volume compares them. An existing item is taken as the file itself only when
/// its path equals the file's own path, or differs only in letter case and the folder holds no entry spelled
/// exactly like the candidate. Every emitted plan gets a fresh id.
/// Cost grows about linearly: per folder and base name the search for a free counter resumes where the last
/// one stopped. For a folder where many files are planned, its entries are read once (visitEntryNames) and a
/// candidate that no entry can match even ignoring letter case and normalisation is known to be free without
/// an existence test; every other candidate still gets itemExists, so the answers are those of itemExists.
/// One resolver serves one call; not thread-safe.
class ConflictResolver final {
public:
    /// A resolver asking `fileSystem`, which must outlive it.
    explicit ConflictResolver(const FileRenameFileSystem &fileSystem);
    ~ConflictResolver();
    ConflictResolver(const ConflictResolver &) = delete;
    ConflictResolver &operator=(const ConflictResolver &) = delete;

    /// Announces a file that this call will settle, by its current location, before any `settle`. Optional: it
    /// only lets the resolver judge per folder whether reading the folder once is cheaper than one existence
    /// test per candidate.
    void expect(const FileLocation &originalURL);

    /// The final plan of the file at `originalURL` (named `originalName`) to which the strategy gave `newName`,
    /// provisionally located in the file's folder.
    RenamePlan settle(const FileLocation &originalURL, const std::string &originalName, std::string newName);

    /// The final plan for a provisional plan with its own provisional location (`newURL`).
    RenamePlan settle(const RenamePlan &provisional);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

/// All provisional plans through one ConflictResolver, announced first and settled in list order.
std::vector<RenamePlan> resolveConflicts(
    const std::vector<RenamePlan> &provisional, const FileRenameFileSystem &fileSystem);
