#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FileFilterCriteria.h"
#include "FileItem.h"

/// Applies filter criteria to a listing. Stateless.
class FileFilterService final {
public:
    /// The files that pass the include, exclude, size and name tests, in input order. Pure; never fails.
    std::vector<FileItem> filter(const std::vector<FileItem> &files, const FileFilterCriteria &criteria) const;
    /// The same, taking over `files` instead of copying the records that pass.
    std::vector<FileItem> filter(std::vector<FileItem> &&files, const FileFilterCriteria &criteria) const;

    /// The extension text typed by the user ("png, JPG,,jpeg") as a set of lower-case extensions: pieces split
    /// at ",", trimmed of spaces and tabs, lower-cased, empty ones dropped. A leading "." is kept.
    static std::set<std::string> parseExtensionList(std::string_view text);
};
