#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

/// An absolute file location kept as its path text. Records and plans hold one or two locations each, and a
/// folder of 100,000 files makes that many of them: std::filesystem::path keeps a parsed list of its
/// components (about 340 bytes for a typical path), this keeps only the text (about 100). Converts to a
/// std::filesystem::path wherever one is needed, and offers the few path operations callers use.
class FileLocation final {
public:
    FileLocation() = default;
    FileLocation(const std::filesystem::path &path)
        : m_text(path.native())
    {
    }
    FileLocation(std::string text)
        : m_text(std::move(text))
    {
    }
    FileLocation(const char *text)
        : m_text(text)
    {
    }

    operator std::filesystem::path() const { return std::filesystem::path(m_text); }
    std::filesystem::path path() const { return std::filesystem::path(m_text); }

    const std::string &native() const noexcept { return m_text; }
    const std::string &string() const noexcept { return m_text; }
    const char *c_str() const noexcept { return m_text.c_str(); }
    bool empty() const noexcept { return m_text.empty(); }

    std::filesystem::path parent_path() const { return path().parent_path(); }
    std::filesystem::path filename() const { return path().filename(); }
    std::filesystem::path lexically_relative(const std::filesystem::path &base) const
    {
        return path().lexically_relative(base);
    }

    bool operator==(const FileLocation &other) const = default;
    friend bool operator==(const FileLocation &location, const std::filesystem::path &path)
    {
        return location.m_text == path.native();
    }
    friend std::ostream &operator<<(std::ostream &out, const FileLocation &location) { return out << location.m_text; }

private:
    std::string m_text;
};

template <> struct std::hash<FileLocation> {
    std::size_t operator()(const FileLocation &location) const noexcept
    {
        return std::hash<std::string> {}(location.native());
    }
};
