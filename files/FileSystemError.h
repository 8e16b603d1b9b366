#pragma once

#include <string>

/// An error reported by the file system: the errno value and its human-readable description
/// (strerror's text, for example "File exists").
struct FileSystemError {
    int code = 0;
    std::string description;

    /// The error for an errno value, described by strerror.
    static FileSystemError fromErrno(int code);

    bool operator==(const FileSystemError &) const = default;
};
