#include "FileFilterService.h"

#include "Unicode.h"

std::vector<FileItem> FileFilterService::filter(
    const std::vector<FileItem> &files, const FileFilterCriteria &criteria) const
{
    const std::string search = criteria.caseSensitive ? criteria.searchText : Unicode::toLower(criteria.searchText);
    std::vector<FileItem> result;
    for (const FileItem &file : files) {
        if (!criteria.includeExtensions.empty() || !criteria.excludeExtensions.empty()) {
            const std::string extension = Unicode::toLower(file.extensionType);
            if (!criteria.includeExtensions.empty() && !criteria.includeExtensions.contains(extension))
                continue;
            if (criteria.excludeExtensions.contains(extension))
                continue;
        }
        if (file.size < criteria.minSize || file.size > criteria.maxSize)
            continue;
        if (!search.empty()) {
            const std::string name = criteria.caseSensitive ? file.name : Unicode::toLower(file.name);
            if (name.find(search) == std::string::npos)
                continue;
        }
        result.push_back(file);
    }
    return result;
}

std::set<std::string> FileFilterService::parseExtensionList(std::string_view text)
{
    std::set<std::string> extensions;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view piece = text.substr(start, end - start);
        // Only spaces and tabs: a line break inside the field is kept as typed.
        const auto first = piece.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            piece = piece.substr(first, piece.find_last_not_of(" \t") - first + 1);
            extensions.insert(Unicode::toLower(piece));
        }
        start = end + 1;
    }
    return extensions;
}
