#include "DisplayTitles.h"

#include <string>

#include "QtConversions.h"

namespace DisplayTitles {

QString title(RenameStrategy strategy)
{
    switch (strategy) {
    case RenameStrategy::prefix:
        return QStringLiteral("Add Prefix");
    case RenameStrategy::suffix:
        return QStringLiteral("Add Suffix");
    case RenameStrategy::replace:
        return QStringLiteral("Find and Replace");
    case RenameStrategy::prefixSequence:
        return QStringLiteral("Prefix Sequence Number");
    case RenameStrategy::suffixSequence:
        return QStringLiteral("Suffix Sequence Number");
    case RenameStrategy::dateName:
        return QStringLiteral("Format with Date");
    case RenameStrategy::uppercase:
        return QStringLiteral("UPPERCASE");
    case RenameStrategy::lowercase:
        return QStringLiteral("lowercase");
    }
    return {};
}

QString title(DateSource source)
{
    switch (source) {
    case DateSource::capture:
        return QStringLiteral("Date Taken (EXIF)");
    case DateSource::created:
        return QStringLiteral("Date Created");
    case DateSource::modified:
        return QStringLiteral("Date Modified");
    }
    return {};
}

QString title(DateNameFormat format)
{
    return QtConversions::toQString(std::string(sampleLabel(format)));
}

QString title(DatePosition position)
{
    switch (position) {
    case DatePosition::prefix:
        return QStringLiteral("Before name");
    case DatePosition::suffix:
        return QStringLiteral("After name");
    }
    return {};
}

} // namespace DisplayTitles
