#include "FilePaths.h"

#include <algorithm>

namespace FilePaths {

bool isStandardized(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return false;
    if (path.size() == 1)
        return true;
    // Every component between separators must be non-empty and neither "." nor "..".
    std::size_t start = 1;
    for (;;) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..")
            return false;
        if (end == path.size())
            return true;
        start = end + 1;
    }
}

std::filesystem::path standardized(const std::filesystem::path &path)
{
    // Listed locations are already standardised; lexically_normal would rebuild them at some cost.
    if (isStandardized(path.native()))
        return path;
    std::error_code error;
    std::filesystem::path absolute = path.is_absolute() ? path : std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    std::filesystem::path normal = absolute.lexically_normal();
    // lexically_normal keeps a trailing separator ("/a/b/" stays "/a/b/"); locations never carry one.
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

std::string_view pathExtension(std::string_view name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size())
        return {};
    return name.substr(dot + 1);
}

std::string lastComponent(const std::filesystem::path &path)
{
    return path.filename().string();
}

} // namespace FilePaths
