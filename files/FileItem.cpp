#include "FileItem.h"

#include <cmath>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>

#include "FilePaths.h"

namespace {

std::optional<FileItem::ResourceValues> readResourceValues(const std::filesystem::path &url)
{
    struct statx info { };
    const unsigned mask = STATX_SIZE | STATX_MTIME | STATX_BTIME;
    if (::statx(AT_FDCWD, url.c_str(), AT_SYMLINK_NOFOLLOW, mask, &info) != 0)
        return std::nullopt;
    FileItem::ResourceValues values;
    if (info.stx_mask & STATX_SIZE)
        values.size = static_cast<std::int64_t>(info.stx_size);
    if (info.stx_mask & STATX_BTIME)
        values.creationDate = TimePoints::fromUnix(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
    if (info.stx_mask & STATX_MTIME)
        values.modificationDate = TimePoints::fromUnix(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
    return values;
}

template <typename T> void combine(std::size_t &seed, const T &value)
{
    seed ^= std::hash<T> {}(value) + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
}

} // namespace

std::optional<TimePoint> TimePoints::fromUnix(std::int64_t seconds, std::int64_t nanoseconds)
{
    // Checked in seconds first, so that no multiplication below can overflow.
    constexpr std::int64_t first = std::chrono::floor<std::chrono::seconds>(earliest).time_since_epoch().count();
    constexpr std::int64_t last = std::chrono::floor<std::chrono::seconds>(latest).time_since_epoch().count();
    if (seconds < first || seconds > last || nanoseconds < 0 || nanoseconds >= 1'000'000'000)
        return std::nullopt;
    return TimePoint(std::chrono::seconds(seconds) + std::chrono::microseconds(nanoseconds / 1000));
}

std::optional<TimePoint> TimePoints::fromMilliseconds(double milliseconds)
{
    constexpr double first
        = static_cast<double>(std::chrono::floor<std::chrono::milliseconds>(earliest).time_since_epoch().count());
    constexpr double last
        = static_cast<double>(std::chrono::floor<std::chrono::milliseconds>(latest).time_since_epoch().count());
    // NaN fails both comparisons and so is refused too.
    if (!(milliseconds >= first && milliseconds <= last))
        return std::nullopt;
    return TimePoint(std::chrono::microseconds(std::llround(milliseconds * 1000.0)));
}

TimePoint TimePoints::now()
{
    return std::chrono::floor<TimePoint::duration>(std::chrono::system_clock::now());
}

FileItem FileItem::make(const std::filesystem::path &url, const std::optional<ResourceValues> &values,
    std::optional<TimePoint> creationDate, std::optional<TimePoint> modificationDate)
{
    const TimePoint now = TimePoints::now();
    const std::optional<ResourceValues> read = values ? values : readResourceValues(url);
    FileItem item;
    item.id = Uuid::random();
    item.url = FileLocation(url);
    item.name = FilePaths::lastComponent(url);
    item.size = read && read->size ? *read->size : 0;
    item.creationDate = creationDate ? *creationDate : (read && read->creationDate ? *read->creationDate : now);
    item.modificationDate
        = modificationDate ? *modificationDate : (read && read->modificationDate ? *read->modificationDate : now);
    item.extensionType = std::string(FilePaths::pathExtension(item.name));
    return item;
}

FileItem FileItem::fromListing(std::string_view url, const std::optional<ResourceValues> &values)
{
    FileItem item;
    item.id = Uuid::random();
    item.name = url.substr(url.rfind('/') + 1);
    item.url = FileLocation(url);
    item.size = values && values->size ? *values->size : 0;
    // The clock is read only for a missing date: a listing of many files has them all.
    const bool bothDates = values && values->creationDate && values->modificationDate;
    const TimePoint now = bothDates ? TimePoint() : TimePoints::now();
    item.creationDate = values && values->creationDate ? *values->creationDate : now;
    item.modificationDate = values && values->modificationDate ? *values->modificationDate : now;
    item.extensionType = std::string(FilePaths::pathExtension(item.name));
    return item;
}

std::size_t std::hash<FileItem>::operator()(const FileItem &item) const noexcept
{
    std::size_t seed = 0;
    combine(seed, item.id);
    combine(seed, item.url.text());
    combine(seed, item.name);
    combine(seed, item.size);
    combine(seed, item.creationDate.time_since_epoch().count());
    combine(seed, item.modificationDate.time_since_epoch().count());
    combine(seed, item.extensionType);
    return seed;
}
