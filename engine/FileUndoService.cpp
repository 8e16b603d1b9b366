#include "FileUndoService.h"

#include <iterator>
#include <utility>

UndoBatch::UndoBatch(std::initializer_list<RenameUndoEntry> entries)
{
    for (const RenameUndoEntry &entry : entries)
        append(entry.renamedURL.text(), entry.originalURL.text());
}

UndoBatch::UndoBatch(std::string folder)
    : m_folder(std::move(folder))
{
    if (!m_folder.empty() && m_folder.back() != '/')
        m_folder += '/';
}

UndoBatch UndoBatch::ofSize(std::size_t count)
{
    UndoBatch batch;
    batch.m_size = count;
    return batch;
}

void UndoBatch::append(std::string_view renamed, std::string_view original)
{
    m_text += renamed;
    m_ends.push_back(m_text.size());
    m_text += original;
    m_ends.push_back(m_text.size());
    ++m_size;
}

void UndoBatch::reserve(std::size_t entries, std::size_t textBytes)
{
    m_ends.reserve(entries * 2);
    m_text.reserve(textBytes);
}

RenameUndoEntry UndoBatch::operator[](std::size_t index) const
{
    // A batch known only by its size, or an entry past the ones added, reads as empty locations.
    if (2 * index + 1 >= m_ends.size())
        return {};
    const std::string_view text = m_text;
    const std::size_t start = index == 0 ? 0 : m_ends[2 * index - 1];
    const std::size_t middle = m_ends[2 * index];
    const std::size_t end = m_ends[2 * index + 1];
    const auto located = [this](std::string_view relative) { return FileLocation(m_folder + std::string(relative)); };
    return RenameUndoEntry { located(text.substr(start, middle - start)), located(text.substr(middle, end - middle)) };
}

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
