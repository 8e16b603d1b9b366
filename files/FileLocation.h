#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

/// An absolute file location kept as its path text. Records and plans hold one or two locations each, and a
/// folder of a million files makes that many of them: std::filesystem::path keeps a parsed list of its
/// components (about 340 bytes for a typical path), a std::string its own copy of the text in every record. A
/// location keeps its text once, in one immutable block with a reference count, so that a plan's copy of its
/// file's location costs a pointer (the text of a typical path and its count fit one 64-byte block).
/// Conversions both ways are explicit: `FileLocation(path)` and `path()`, so that no path is parsed or copied
/// without it showing. Copies may be made and dropped on any thread.
class FileLocation final {
public:
    FileLocation() noexcept = default;
    explicit FileLocation(std::string_view text);
    explicit FileLocation(const std::string &text)
        : FileLocation(std::string_view(text))
    {
    }
    explicit FileLocation(const char *text)
        : FileLocation(std::string_view(text))
    {
    }
    explicit FileLocation(const std::filesystem::path &path)
        : FileLocation(std::string_view(path.native()))
    {
    }
    FileLocation(const FileLocation &other) noexcept
        : m_block(other.m_block)
    {
        if (m_block)
            m_block->references.fetch_add(1, std::memory_order_relaxed);
    }
    FileLocation(FileLocation &&other) noexcept
        : m_block(std::exchange(other.m_block, nullptr))
    {
    }
    FileLocation &operator=(const FileLocation &other) noexcept
    {
        FileLocation copy(other);
        std::swap(m_block, copy.m_block);
        return *this;
    }
    FileLocation &operator=(FileLocation &&other) noexcept
    {
        FileLocation taken(std::move(other));
        std::swap(m_block, taken.m_block);
        return *this;
    }
    ~FileLocation() { release(); }

    /// The location as a path, parsed anew on each call.
    std::filesystem::path path() const { return std::filesystem::path(text()); }
    /// The path text as stored (bytes, not necessarily UTF-8); valid as long as this location.
    std::string_view text() const noexcept
    {
        return m_block ? std::string_view(chars(), m_block->size) : std::string_view();
    }
    /// The same text, followed by a zero byte.
    const char *c_str() const noexcept { return m_block ? chars() : ""; }
    bool isEmpty() const noexcept { return !m_block || m_block->size == 0; }
    /// Starts loading the stored text into the processor's cache, for a loop that reads it a few items later: the
    /// blocks of a long list lie scattered over the heap, and waiting for each in turn costs more than the work.
    void prefetch() const noexcept
    {
        if (m_block)
            __builtin_prefetch(m_block);
    }

    /// The folder that holds the location.
    std::filesystem::path parentPath() const { return path().parent_path(); }
    /// The last component ("photo.jpg").
    std::filesystem::path fileName() const { return path().filename(); }
    /// The location relative to `base`, lexically (no disk access).
    std::filesystem::path relativeTo(const std::filesystem::path &base) const
    {
        return path().lexically_relative(base);
    }

    friend bool operator==(const FileLocation &a, const FileLocation &b) noexcept
    {
        return a.m_block == b.m_block || a.text() == b.text();
    }
    /// Equal when the path's text is byte for byte the stored text.
    friend bool operator==(const FileLocation &location, const std::filesystem::path &path)
    {
        return location.text() == std::string_view(path.native());
    }
    friend std::ostream &operator<<(std::ostream &out, const FileLocation &location) { return out << location.text(); }

private:
    /// The count and the size, followed by the text and a zero byte, in one allocation.
    struct Block {
        std::atomic<std::uint32_t> references;
        std::uint32_t size;
    };

    const char *chars() const noexcept { return reinterpret_cast<const char *>(m_block + 1); }
    void release() noexcept;

    Block *m_block = nullptr;
};

inline FileLocation::FileLocation(std::string_view text)
{
    if (text.size() >= UINT32_MAX)
        throw std::length_error("FileLocation: path text too long");
    void *memory = ::operator new(sizeof(Block) + text.size() + 1);
    m_block = new (memory) Block { { 1 }, static_cast<std::uint32_t>(text.size()) };
    char *stored = reinterpret_cast<char *>(m_block + 1);
    std::memcpy(stored, text.data(), text.size());
    stored[text.size()] = '\0';
}

inline void FileLocation::release() noexcept
{
    // The last owner frees; the acquire makes every other owner's reads happen before.
    if (m_block && m_block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        m_block->~Block();
        ::operator delete(m_block);
    }
    m_block = nullptr;
}

template <> struct std::hash<FileLocation> {
    std::size_t operator()(const FileLocation &location) const noexcept
    {
        return std::hash<std::string_view> {}(location.text());
    }
};
