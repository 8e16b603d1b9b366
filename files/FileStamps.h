#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What tells a file apart later: its inode, size and modification time (nanoseconds since the epoch).
struct FileStamp {
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;

    bool operator==(const FileStamp &) const = default;
};

/// The stamps a listing saw, by each file's path relative to the listed folder. All names share one buffer and
/// the lookup is one open-addressed table, so that 100,000 files cost a handful of allocations rather than one
/// or two each. Filled by one thread, then read by any.
class FileStamps final {
public:
    /// Records `stamp` under `relative`; a name added twice keeps its first stamp.
    void add(std::string_view relative, const FileStamp &stamp);
    /// The stamp recorded under `relative` (bytes compared exactly), or nothing.
    std::optional<FileStamp> find(std::string_view relative) const;
    /// Makes room for `count` stamps at once, so that the table is not rebuilt as it fills.
    void reserve(std::size_t count);
    std::size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        std::size_t offset; ///< of the name in `m_names`
        std::uint32_t length;
        std::uint32_t hash; ///< the low bits of the name's hash, to pass over most other names unread
        FileStamp stamp;
    };
    /// The slot of `relative` in `m_slots`: where it is, or the empty slot where it would go.
    std::size_t slotOf(std::string_view relative, std::size_t hash) const;
    void grow();

    std::string m_names;
    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_slots; ///< entry index + 1; 0 is an empty slot; the size is a power of two
};
