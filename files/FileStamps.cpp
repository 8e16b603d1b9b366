#include "FileStamps.h"

#include <functional>

void FileStamps::add(std::string_view relative, const FileStamp &stamp)
{
    // At most half full, so that a probe meets an empty slot soon.
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow();
    const std::size_t hash = std::hash<std::string_view> {}(relative);
    const std::size_t slot = slotOf(relative, hash);
    if (m_slots[slot] != 0)
        return;
    m_entries.push_back(
        Entry { m_names.size(), static_cast<std::uint32_t>(relative.size()), static_cast<std::uint32_t>(hash), stamp });
    m_names.append(relative);
    m_slots[slot] = static_cast<std::uint32_t>(m_entries.size());
}

std::optional<FileStamp> FileStamps::find(std::string_view relative) const
{
    if (m_slots.empty())
        return std::nullopt;
    const std::uint32_t found = m_slots[slotOf(relative, std::hash<std::string_view> {}(relative))];
    if (found == 0)
        return std::nullopt;
    return m_entries[found - 1].stamp;
}

std::size_t FileStamps::slotOf(std::string_view relative, std::size_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t index = m_slots[slot];
        if (index == 0)
            return slot;
        const Entry &entry = m_entries[index - 1];
        if (entry.hash == static_cast<std::uint32_t>(hash)
            && std::string_view(m_names).substr(entry.offset, entry.length) == relative)
            return slot;
    }
}

void FileStamps::reserve(std::size_t count)
{
    m_entries.reserve(count);
    while (count * 2 > m_slots.size())
        grow();
}

void FileStamps::grow()
{
    std::vector<std::uint32_t> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        // Only the low bits of the hash are kept, enough for a table of up to 2^32 slots.
        std::size_t slot = m_entries[i].hash & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = static_cast<std::uint32_t>(i + 1);
    }
    m_slots = std::move(slots);
}
