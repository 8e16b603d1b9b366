#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "RenameParameters.h"

/// The rename settings' choices as the window shows and picks them, all from the enumerations' tables: the
/// pickers list the titles in table order, so that a picker's row i is the table's row i in both directions.
namespace RenameChoices {

/// The title of a choice: "Add Prefix", "Date Taken (EXIF)", "2026-09-30", "Before name", ...
template <RenameChoice Enum> QString title(Enum value);
/// The titles of every choice of `Enum`, in table order: the rows of its picker.
template <RenameChoice Enum> QStringList titles();
/// The picker row that shows `value`.
template <RenameChoice Enum> int rowOf(Enum value);
/// The choice a picker shows in `row`; nothing for a row outside the table (such as -1, no row).
template <RenameChoice Enum> std::optional<Enum> choiceAt(int row);

} // namespace RenameChoices
