#pragma once

#include <vector>

#include "FileItem.h"

/// Sorts files for display: ascending by name, locale-aware and case-insensitive in every locale (the root
/// collation when the process locale is C or POSIX), stable so that equal names keep their listing order.
void sortByName(std::vector<FileItem> &files);
