#pragma once

#include <QString>
#include <QStringView>

/// Ordering of version texts such as "1.2", "1.10" and "v2.0.1".
namespace VersionComparison {

/// Compares two texts with runs of ASCII digits ordered by their numeric value ("2" < "10", "01" == "1") and
/// every other character by its UTF-16 code unit, with no locale. When one text is a prefix of the other in this
/// sense, the longer one is greater ("1.2" < "1.2.0"). Returns a negative number, 0 or a positive number.
int compareNumerically(QStringView left, QStringView right);

/// True when `feedVersion` names a later release than `currentVersion`: both are compared numerically after
/// every "v" and "V" is removed, so "v1.2.0" equals "1.2.0" and "1.10" is later than "1.2".
bool isNewer(const QString &feedVersion, const QString &currentVersion);

} // namespace VersionComparison
