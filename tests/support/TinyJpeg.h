#pragma once

#include <string_view>

/// The bytes of a valid 8 x 8 white greyscale baseline JPEG (JFIF, no EXIF), for tests that need a real image
/// file to write metadata into.
std::string_view tinyJpeg();
