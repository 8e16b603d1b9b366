#pragma once

#include <filesystem>

/// One rename that was performed; a list of them, in the order they were performed, is one undo batch.
struct RenameUndoEntry {
    std::filesystem::path renamedURL; ///< where the file is now: the plan's `newURL`
    std::filesystem::path originalURL; ///< where it was before: the plan's `originalURL`

    bool operator==(const RenameUndoEntry &) const = default;
};
