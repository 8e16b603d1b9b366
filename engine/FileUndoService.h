#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "RenameUndoEntry.h"

/// The in-memory history of applied rename batches, newest last, bounded to `maxDepth` batches.
/// Not thread-safe: use it from one thread (the main thread), never while an apply or undo task reads it.
class FileUndoService final {
public:
    using Batch = std::vector<RenameUndoEntry>;

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
