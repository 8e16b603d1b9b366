#pragma once

#include <cstdint>
#include <limits>
#include <set>
#include <string>

/// What narrows the listed files. Extensions are expected lower-case and without a leading dot.
struct FileFilterCriteria {
    std::set<std::string> includeExtensions; ///< when not empty, only these extensions pass
    std::set<std::string> excludeExtensions; ///< these extensions are dropped
    std::int64_t minSize = 0; ///< inclusive, bytes
    std::int64_t maxSize = std::numeric_limits<std::int64_t>::max(); ///< inclusive, bytes
    std::string searchText; ///< when not empty, only names containing it pass
    bool caseSensitive = false;

    bool operator==(const FileFilterCriteria &) const = default;
};
