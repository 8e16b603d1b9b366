#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "FileItem.h"

/// Reads the moment a photo or video was taken from the file's own metadata, choosing the reader by the
/// file's content (never by its extension): photos through Exiv2 (JPEG, TIFF, the TIFF-based raw formats,
/// RAF, CR3 and the other ISO media images Exiv2 knows) or libheif (HEIF and AVIF), videos through
/// libavformat (QuickTime and ISO media, Matroska and WebM). Only container metadata is read; no image or
/// frame is decoded. Thread-safe; holds no state of its own.
namespace CaptureDateReader {

/// Reading stops after this many bytes of one file (a container whose metadata is larger gives no date).
inline constexpr std::int64_t readBudget = 16 * 1024 * 1024;

/// The capture date of the file at `path`, or none. The path is opened once, without following a final
/// link and without blocking, and read only when the descriptor is a regular file; a FIFO, device or folder
/// gives none at once. Photos: EXIF DateTimeOriginal, else DateTimeDigitized (in the zone of
/// OffsetTimeOriginal, else the current zone), else the TIFF DateTime in the current zone. QuickTime and
/// ISO media videos: the "com.apple.quicktime.creationdate" text (with its own UTC offset), else the movie
/// header's creation time (UTC). Matroska: the segment's DateUTC. A video date before 1971 counts as none
/// (cameras without a clock write 1904, 1970 or 2001-01-01). Never fails.
std::optional<TimePoint> read(const std::filesystem::path &path);

/// The moment written by an ISO 8601 text as videos store it: "2021-04-11T09:08:07+0200",
/// "2021-04-11T07:08:07.000000Z", "2021:04:11 09:08:07+02:00"; without a zone it is read in the current one.
/// None for any other shape, or for a moment before 1971.
std::optional<TimePoint> parseVideoDateText(std::string_view text);

} // namespace CaptureDateReader
