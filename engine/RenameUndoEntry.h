#pragma once

#include <filesystem>

#include "FileLocation.h"

/// One rename that was performed; a list of them, in the order they were performed, is one undo batch.
struct RenameUndoEntry {
    FileLocation renamedURL; ///< where the file is now: the plan's `newURL`
    FileLocation originalURL; ///< where it was before: the plan's `originalURL`

    bool operator==(const RenameUndoEntry &) const = default;
};
