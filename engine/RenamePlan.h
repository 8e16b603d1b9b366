#pragma once

#include <filesystem>
#include <string>

#include "FileLocation.h"
#include "Uuid.h"

/// One planned rename. A plan whose `newName` equals `originalName` changes nothing.
struct RenamePlan {
    Uuid id; ///< fresh on every planning call
    FileLocation originalURL; ///< the file's current location
    FileLocation newURL; ///< its folder plus `newName`
    std::string originalName;
    std::string newName; ///< after conflict resolution, NFC
    /// A date name meant to use the capture date, but the file holds none, so its creation date was used.
    bool usedCreationDate = false;
    /// The name the settings gave was taken (by another plan or a file on disk), so " (n)" was added to it.
    bool counterAdded = false;

    bool operator==(const RenamePlan &) const = default;
};
