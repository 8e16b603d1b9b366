#pragma once

#include <filesystem>
#include <string>
#include <string_view>

/// Locations are absolute paths compared in standardised form.
namespace FilePaths {

/// The path made absolute (against the current directory), with "." and ".." components removed
/// lexically and without a trailing separator (except for "/" itself). Symbolic links are not resolved.
std::filesystem::path standardized(const std::filesystem::path &path);

/// Whether `path` is already in the form `standardized` gives: absolute, without empty, "." or ".." components
/// and without a trailing separator. Cheap: one pass over the bytes, no allocation.
bool isStandardized(std::string_view path);

/// The extension of a name: the text after its last ".", provided that "." is not the first character
/// and at least one character follows it; empty otherwise. "archive.tar.gz" gives "gz", ".gitignore",
/// "README" and "notes." give "".
std::string_view pathExtension(std::string_view name);

/// The last component of a path as a UTF-8 string ("" for "/").
std::string lastComponent(const std::filesystem::path &path);

} // namespace FilePaths
