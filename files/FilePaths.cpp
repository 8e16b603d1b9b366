#include "FilePaths.h"

namespace FilePaths {

std::filesystem::path standardized(const std::filesystem::path &path)
{
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

std::string lastComponent(const std::filesystem::path &path) { return path.filename().string(); }

} // namespace FilePaths
