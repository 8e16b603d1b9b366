#pragma once

#include <filesystem>
#include <optional>

#include "FolderChooserRequest.h"

/// The folder chooser of the window: a modal QFileDialog in directory mode.
namespace FolderChooserDialog {

/// Asks the user for one folder as `request` describes (its message as the title, its prompt as the accept
/// button), over the active window. The chosen folder's absolute path, or nothing when the user cancels.
std::optional<std::filesystem::path> run(const FolderChooserRequest &request);

} // namespace FolderChooserDialog
