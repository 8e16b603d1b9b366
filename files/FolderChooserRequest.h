#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

/// How the folder chooser is to be set up. The dialog itself belongs to the user interface; the file layer only
/// says what it must offer.
struct FolderChooserRequest {
    bool canChooseFiles = false;
    bool canChooseDirectories = true;
    bool allowsMultipleSelection = false;
    std::string prompt = "Choose Folder"; ///< the text of the confirm button
    std::string message = "Select a folder to process."; ///< the text shown above the folders

    bool operator==(const FolderChooserRequest &) const = default;
};

/// Runs a folder chooser modally: the chosen folder, or nothing when the user cancels.
using FolderChooser = std::function<std::optional<std::filesystem::path>(const FolderChooserRequest &)>;
