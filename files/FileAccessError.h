#pragma once

#include <string>

/// The error of folder access.
enum class FileAccessError {
    directoryAccessDenied,
};

/// The user-facing description: "Cannot access the selected folder.".
std::string errorDescription(FileAccessError error);
