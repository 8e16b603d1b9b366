#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "BatchFolder.h"
#include "FileRenameService.h"
#include "FileStamps.h"
#include "RenameBatchRunner.h"
#include "RenamePlan.h"

// The command line's side of the rename journal: journaled applies, recovery, undo and the list of batches.

/// Set by SIGINT and SIGTERM while a batch runs: the batch stops between two files and its journal stays open.
std::atomic<bool> &stopRequested();

/// Prints "A rename of N files in FOLDER was interrupted." and how to recover, for each interrupted batch of
/// `folder`, to standard error. Returns how many there were.
int reportInterrupted(const FolderIdentity &folder);

/// Renames `plans` in `folder` under a journal; Ctrl-C stops the batch between two files. `seen`: what this run's
/// listing saw of the files (`RenameBatchRunner::apply`).
RenameBatchRunner::Outcome applyJournaled(const std::filesystem::path &folder, std::optional<FolderIdentity> listed,
    const std::vector<RenamePlan> &plans, const FileRenameService::ProgressCallback &progress, const FileStamps &seen);

/// --recover finish|undo FOLDER. Returns the exit status.
int recoverFolder(const std::filesystem::path &folder, const std::string &direction);
/// --undo FOLDER: undoes the newest batch of the folder. Returns the exit status.
int undoNewest(const std::filesystem::path &folder);
/// --journal [FOLDER]: one line per batch the journal store knows. Returns the exit status.
int listJournal(const std::optional<std::filesystem::path> &folder);
