#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "FileLocation.h"
#include "Uuid.h"

/// A point in time, as the file layer and the engine keep dates: microseconds since 1970 in UTC, which holds
/// every date from year 1 to 9999 (the system clock's nanoseconds would overflow outside 1678 to 2262).
using TimePoint = std::chrono::sys_time<std::chrono::microseconds>;

namespace TimePoints {

/// 0001-01-01 00:00:00 UTC and the last microsecond of 9999-12-31 UTC: the dates kept; others count as no date.
inline constexpr TimePoint earliest { std::chrono::sys_days { std::chrono::year { 1 } / 1 / 1 } };
inline constexpr TimePoint latest { std::chrono::sys_days { std::chrono::year { 10000 } / 1 / 1 }
    - std::chrono::microseconds { 1 } };

/// The moment `seconds` and `nanoseconds` after 1970-01-01 UTC (as the kernel stamps files), or none when it
/// falls outside year 1 to 9999.
std::optional<TimePoint> fromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0);

/// The moment `milliseconds` after 1970-01-01 UTC (as ICU dates count), or none when it is not a finite number
/// or falls outside year 1 to 9999.
std::optional<TimePoint> fromMilliseconds(double milliseconds);

/// The current moment.
TimePoint now();

} // namespace TimePoints

/// One listed file: an ordinary, visible, readable and writable file whose name is valid UTF-8.
/// A plain value that never changes after construction; a reload builds new records.
struct FileItem {
    /// Values already read for a file (for example by the folder listing); absent ones are unknown.
    struct ResourceValues {
        std::optional<std::int64_t> size;
        std::optional<TimePoint> creationDate;
        std::optional<TimePoint> modificationDate;
    };

    Uuid id; ///< fresh for every record
    FileLocation url; ///< absolute, standardised location
    std::string name; ///< the last path component, UTF-8
    std::int64_t size = 0; ///< bytes; 0 when unknown
    TimePoint creationDate; ///< birth time where the file system records one
    TimePoint modificationDate;
    std::string extensionType; ///< text after the last "." (case as on disk), "" when none

    /// Builds a record for the file at `url`. When `values` is absent, the file's size and dates are read
    /// from disk (a failed read counts as no values). Missing dates become the moment of construction,
    /// a missing size 0. The override dates win over anything read. Never fails.
    static FileItem make(const std::filesystem::path &url, const std::optional<ResourceValues> &values = std::nullopt,
        std::optional<TimePoint> creationDate = std::nullopt, std::optional<TimePoint> modificationDate = std::nullopt);

    /// Builds the record of a listed file from its standardised location text, as `make` does with the given
    /// `values` (absent: nothing is read, the dates become the moment of construction and the size 0), without
    /// parsing the location as a path.
    static FileItem fromListing(std::string_view url, const std::optional<ResourceValues> &values);

    bool operator==(const FileItem &) const = default;
};

template <> struct std::hash<FileItem> {
    std::size_t operator()(const FileItem &item) const noexcept;
};
