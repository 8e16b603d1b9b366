#include "FileUndoService.h"

#include <iterator>

void FileUndoService::push(Batch batch)
{
    m_stack.push_back(std::move(batch));
    if (depth() > maxDepth) {
        const auto excess = static_cast<std::ptrdiff_t>(depth() - maxDepth);
        m_stack.erase(m_stack.begin(), std::next(m_stack.begin(), excess));
    }
}

std::optional<FileUndoService::Batch> FileUndoService::pop()
{
    if (m_stack.empty())
        return std::nullopt;
    Batch newest = std::move(m_stack.back());
    m_stack.pop_back();
    return newest;
}
