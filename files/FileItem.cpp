#include "FileItem.h"

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>

#include "FilePaths.h"

namespace {

TimePoint fromTimestamp(std::int64_t seconds, std::uint32_t nanoseconds)
{
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(
        std::chrono::seconds(seconds) + std::chrono::nanoseconds(nanoseconds)));
}

std::optional<FileItem::ResourceValues> readResourceValues(const std::filesystem::path &url)
{
    struct statx info {};
    const unsigned mask = STATX_SIZE | STATX_MTIME | STATX_BTIME;
    if (::statx(AT_FDCWD, url.c_str(), AT_SYMLINK_NOFOLLOW, mask, &info) != 0)
        return std::nullopt;
    FileItem::ResourceValues values;
    if (info.stx_mask & STATX_SIZE)
        values.size = static_cast<std::int64_t>(info.stx_size);
    if (info.stx_mask & STATX_BTIME)
        values.creationDate = fromTimestamp(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
    if (info.stx_mask & STATX_MTIME)
        values.modificationDate = fromTimestamp(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
    return values;
}

template <typename T> void combine(std::size_t &seed, const T &value)
{
    seed ^= std::hash<T> {}(value) + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
}

} // namespace

FileItem FileItem::make(const std::filesystem::path &url, const std::optional<ResourceValues> &values,
    std::optional<TimePoint> creationDate, std::optional<TimePoint> modificationDate)
{
    const TimePoint now = std::chrono::system_clock::now();
    const std::optional<ResourceValues> read = values ? values : readResourceValues(url);
    FileItem item;
    item.id = Uuid::random();
    item.url = url;
    item.name = FilePaths::lastComponent(url);
    item.size = read && read->size ? *read->size : 0;
    item.creationDate = creationDate ? *creationDate : (read && read->creationDate ? *read->creationDate : now);
    item.modificationDate
        = modificationDate ? *modificationDate : (read && read->modificationDate ? *read->modificationDate : now);
    item.extensionType = std::string(FilePaths::pathExtension(item.name));
    return item;
}

std::size_t std::hash<FileItem>::operator()(const FileItem &item) const noexcept
{
    std::size_t seed = 0;
    combine(seed, item.id);
    combine(seed, item.url.native());
    combine(seed, item.name);
    combine(seed, item.size);
    combine(seed, item.creationDate.time_since_epoch().count());
    combine(seed, item.modificationDate.time_since_epoch().count());
    combine(seed, item.extensionType);
    return seed;
}
