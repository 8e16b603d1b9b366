#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TestDir;

/// The bytes of a valid 8 x 8 white greyscale baseline JPEG (JFIF, no EXIF), for tests that need a real image
/// file to write metadata into.
std::string_view tinyJpeg();

/// EXIF tags by key ("Exif.Photo.DateTimeOriginal") and value.
using JpegTags = std::vector<std::pair<std::string, std::string>>;

/// Writes (or replaces) EXIF tags in an existing image file through Exiv2's writer.
void setJpegTags(const std::filesystem::path &file, const JpegTags &tags);

/// A real JPEG at `name` in `dir` holding `tags`.
std::filesystem::path writeJpeg(const TestDir &dir, const std::string &name, const JpegTags &tags);
