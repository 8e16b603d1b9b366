#include "RenameChoices.h"

#include <string>

#include <QCoreApplication>

namespace RenameChoices {

namespace {

    // The engine's titles, for the translations (the engine itself has no Qt); titles that are examples of a
    // date format stay as they are.
    [[maybe_unused]] constexpr const char *engineTitles[] = {
        QT_TRANSLATE_NOOP("RenameChoices", "Add Prefix"),
        QT_TRANSLATE_NOOP("RenameChoices", "Add Suffix"),
        QT_TRANSLATE_NOOP("RenameChoices", "Find and Replace"),
        QT_TRANSLATE_NOOP("RenameChoices", "Prefix Sequence Number"),
        QT_TRANSLATE_NOOP("RenameChoices", "Suffix Sequence Number"),
        QT_TRANSLATE_NOOP("RenameChoices", "Format with Date"),
        QT_TRANSLATE_NOOP("RenameChoices", "UPPERCASE"),
        QT_TRANSLATE_NOOP("RenameChoices", "lowercase"),
        QT_TRANSLATE_NOOP("RenameChoices", "Date Taken (EXIF)"),
        QT_TRANSLATE_NOOP("RenameChoices", "Date Created"),
        QT_TRANSLATE_NOOP("RenameChoices", "Date Modified"),
        QT_TRANSLATE_NOOP("RenameChoices", "Before name"),
        QT_TRANSLATE_NOOP("RenameChoices", "After name"),
    };

    // The one place where a title of the engine's tables becomes text of the window, in the user's language.
    QString toQString(std::string_view text)
    {
        return QCoreApplication::translate("RenameChoices", std::string(text).c_str());
    }

} // namespace

template <RenameChoice Enum> QString title(Enum value)
{
    return toQString(enumCase(value).title);
}

template <RenameChoice Enum> QStringList titles()
{
    QStringList result;
    for (const EnumCase<Enum> &row : enumCases<Enum>())
        result.append(toQString(row.title));
    return result;
}

template <RenameChoice Enum> int rowOf(Enum value)
{
    return static_cast<int>(enumIndex(value));
}

template <RenameChoice Enum> std::optional<Enum> choiceAt(int row)
{
    const auto cases = enumCases<Enum>();
    if (row < 0 || static_cast<std::size_t>(row) >= cases.size())
        return std::nullopt;
    return cases[static_cast<std::size_t>(row)].value;
}

template QString title<RenameStrategy>(RenameStrategy value);
template QString title<DateSource>(DateSource value);
template QString title<DateNameFormat>(DateNameFormat value);
template QString title<DatePosition>(DatePosition value);
template QStringList titles<RenameStrategy>();
template QStringList titles<DateSource>();
template QStringList titles<DateNameFormat>();
template QStringList titles<DatePosition>();
template int rowOf<RenameStrategy>(RenameStrategy value);
template int rowOf<DateSource>(DateSource value);
template int rowOf<DateNameFormat>(DateNameFormat value);
template int rowOf<DatePosition>(DatePosition value);
template std::optional<RenameStrategy> choiceAt<RenameStrategy>(int row);
template std::optional<DateSource> choiceAt<DateSource>(int row);
template std::optional<DateNameFormat> choiceAt<DateNameFormat>(int row);
template std::optional<DatePosition> choiceAt<DatePosition>(int row);

} // namespace RenameChoices
