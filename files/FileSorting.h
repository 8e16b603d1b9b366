#pragma once

#include <vector>

#include "FileItem.h"

/// Sorts files for display: ascending by name, locale-aware and case-insensitive in every locale (the root
/// collation when the process locale is C or POSIX), stable so that equal names keep their listing order.
void sortByName(std::vector<FileItem> &files);

/// The orders in which files can be numbered.
enum class FileOrder {
    name, ///< as `sortByName`
    natural, ///< by name, with runs of digits compared by value ("file2" before "file10")
    dateModified,
    dateCreated,
    size,
};

/// Sorts `files` stably by `order`, ascending or descending; files equal by date or size stay in name order.
void sortFiles(std::vector<FileItem> &files, FileOrder order, bool ascending);
