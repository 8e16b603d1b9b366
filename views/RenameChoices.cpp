#include "RenameChoices.h"

namespace RenameChoices {

namespace {

    // The one place where a title of the engine's tables becomes text of the window.
    QString toQString(std::string_view text)
    {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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
