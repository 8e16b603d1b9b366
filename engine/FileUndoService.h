#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "RenameUndoEntry.h"

/// One undo batch: the renames one apply performed, in order. Kept compact, since a batch of a million renames
/// stays in memory while the window shows the folder: the folder once, and both locations of each entry relative
/// to it in one text buffer (about 40 bytes an entry instead of two absolute locations of some 80 bytes each).
/// Entries are made when read.
class UndoBatch final {
public:
    UndoBatch() = default;
    /// The entries as given, absolute.
    UndoBatch(std::initializer_list<RenameUndoEntry> entries);
    /// An empty batch whose entries are added relative to `folder` (a folder path with or without a final "/").
    explicit UndoBatch(std::string folder);
    /// A batch known only by its size: its `count` entries read as empty locations.
    static UndoBatch ofSize(std::size_t count);

    /// Adds an entry: where the file is now and where it was, relative to the batch's folder.
    void append(std::string_view renamed, std::string_view original);
    void reserve(std::size_t entries, std::size_t textBytes);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    /// The entry at `index` (below `size()`), with absolute locations.
    RenameUndoEntry operator[](std::size_t index) const;

    bool operator==(const UndoBatch &other) const = default;

private:
    std::string m_folder; ///< with a final "/" unless empty
    std::string m_text; ///< every entry's renamed then original location, relative to the folder
    std::vector<std::size_t> m_ends; ///< where each of those texts ends in `m_text`; two per entry
    std::size_t m_size = 0;
};

/// The in-memory history of applied rename batches, newest last, bounded to `maxDepth` batches.
/// Not thread-safe: use it from one thread (the main thread), never while an apply or undo task reads it.
class FileUndoService final {
public:
    using Batch = UndoBatch;

    /// The most batches kept.
    static constexpr std::int64_t maxDepth = 10;

    /// Appends `batch` as the newest; when more than `maxDepth` batches are then held, the oldest are dropped
    /// so that exactly `maxDepth` remain. Stores what it is given: callers push only non-empty batches.
    void push(Batch batch);

    /// Removes and returns the newest batch; nothing (and no change) when the history is empty.
    [[nodiscard]] std::optional<Batch> pop();

    /// Whether no batch is held.
    bool isEmpty() const { return m_stack.empty(); }
    /// Whether a batch is held that can be undone (the opposite of `isEmpty`).
    bool canUndo() const { return !m_stack.empty(); }
    /// The number of batches held, 0 to `maxDepth` after every push.
    std::int64_t depth() const { return static_cast<std::int64_t>(m_stack.size()); }
    /// The batches held, oldest first.
    const std::vector<Batch> &stack() const { return m_stack; }

private:
    std::vector<Batch> m_stack;
};
