#pragma once

#include <string>
#include <string_view>

#include <unicode/unistr.h>

/// Conversions between the UTF-8 strings the program speaks and ICU's UTF-16 strings.
namespace IcuText {

inline icu::UnicodeString fromUtf8(std::string_view text)
{
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

inline std::string toUtf8(const icu::UnicodeString &text)
{
    std::string result;
    text.toUTF8String(result);
    return result;
}

} // namespace IcuText
