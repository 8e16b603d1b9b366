#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

/// An absolute file location kept as its path text. Records and plans hold one or two locations each, and a
/// folder of 100,000 files makes that many of them: std::filesystem::path keeps a parsed list of its
/// components (about 340 bytes for a typical path), this keeps only the text (about 100). Conversions both ways
/// are explicit: `FileLocation(path)` and `path()`, so that no path is parsed or copied without it showing.
class FileLocation final {
public:
    FileLocation() = default;
    explicit FileLocation(const std::filesystem::path &path)
        : m_text(path.native())
    {
    }
    explicit FileLocation(std::string text)
        : m_text(std::move(text))
    {
    }
    explicit FileLocation(const char *text)
        : m_text(text)
    {
    }

    /// The location as a path, parsed anew on each call.
    std::filesystem::path path() const { return std::filesystem::path(m_text); }
    /// The path text as stored (bytes, not necessarily UTF-8).
    const std::string &text() const noexcept { return m_text; }
    bool isEmpty() const noexcept { return m_text.empty(); }

    /// The folder that holds the location.
    std::filesystem::path parentPath() const { return path().parent_path(); }
    /// The last component ("photo.jpg").
    std::filesystem::path fileName() const { return path().filename(); }
    /// The location relative to `base`, lexically (no disk access).
    std::filesystem::path relativeTo(const std::filesystem::path &base) const
    {
        return path().lexically_relative(base);
    }

    bool operator==(const FileLocation &other) const = default;
    /// Equal when the path's text is byte for byte the stored text.
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
        return std::hash<std::string> {}(location.text());
    }
};
