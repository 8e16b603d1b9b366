#pragma once

#include <QString>

#include "RenameParameters.h"

/// The titles under which the sidebar shows the rename settings' choices. They are shown as written, in every
/// language, and never looked up in a translation table.
namespace DisplayTitles {

/// "Add Prefix", "Add Suffix", "Find and Replace", ...
QString title(RenameStrategy strategy);
/// "Date Taken (EXIF)", "Date Created", "Date Modified".
QString title(DateSource source);
/// A sample date written in the format: "2026-09-30", "2026_09_30", "20260930", "2026-09".
QString title(DateNameFormat format);
/// "Before name", "After name".
QString title(DatePosition position);

} // namespace DisplayTitles
