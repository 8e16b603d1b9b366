#include "FileFilterService.h"

#include "Unicode.h"

namespace {

/// Whether `file` passes `criteria`; `search` is the search text as compared (lower-cased unless case counts).
bool passes(const FileItem &file, const FileFilterCriteria &criteria, const std::string &search)
{
    if (!criteria.includeExtensions.empty() || !criteria.excludeExtensions.empty()) {
        const std::string extension = Unicode::toLower(file.extensionType);
        if (!criteria.includeExtensions.empty() && !criteria.includeExtensions.contains(extension))
            return false;
        if (criteria.excludeExtensions.contains(extension))
            return false;
    }
    if (file.size < criteria.minSize || file.size > criteria.maxSize)
        return false;
    if (!search.empty()) {
        const std::string name = criteria.caseSensitive ? file.name : Unicode::toLower(file.name);
        if (name.find(search) == std::string::npos)
            return false;
    }
    return true;
}

std::string searchText(const FileFilterCriteria &criteria)
{
    return criteria.caseSensitive ? criteria.searchText : Unicode::toLower(criteria.searchText);
}

} // namespace

std::vector<FileItem> FileFilterService::filter(
    const std::vector<FileItem> &files, const FileFilterCriteria &criteria) const
{
    const std::string search = searchText(criteria);
    std::vector<FileItem> result;
    for (const FileItem &file : files) {
        if (passes(file, criteria, search))
            result.push_back(file);
    }
    return result;
}

std::vector<FileItem> FileFilterService::filter(std::vector<FileItem> &&files, const FileFilterCriteria &criteria) const
{
    const std::string search = searchText(criteria);
    std::erase_if(files, [&](const FileItem &file) { return !passes(file, criteria, search); });
    return std::move(files);
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
