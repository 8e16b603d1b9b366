#include "Unicode.h"

#include <algorithm>

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include "IcuText.h"

namespace Unicode {

namespace {

    using IcuText::fromUtf8;
    using IcuText::toUtf8;

    char asciiLower(char c)
    {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    }

    std::string normalize(std::string_view text, const icu::Normalizer2 *(*instance)(UErrorCode &))
    {
        if (isAscii(text))
            return std::string(text);
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2 *normalizer = instance(status);
        if (U_FAILURE(status))
            return std::string(text);
        const icu::UnicodeString source = fromUtf8(text);
        // Most names are already normalised; checking is cheaper than normalising.
        if (normalizer->isNormalized(source, status) && U_SUCCESS(status))
            return std::string(text);
        status = U_ZERO_ERROR;
        const icu::UnicodeString normalized = normalizer->normalize(source, status);
        return U_SUCCESS(status) ? toUtf8(normalized) : std::string(text);
    }

    std::string mapAscii(std::string_view text, char first, char last, int shift)
    {
        std::string result(text);
        for (char &c : result) {
            if (c >= first && c <= last)
                c = static_cast<char>(c + shift);
        }
        return result;
    }

} // namespace

bool isAscii(std::string_view text)
{
    // Most names are plain ASCII, whose case mapping in the root locale is the ASCII one and which every
    // normalisation form leaves as it is; filtering and planning handle every name, so skipping the conversion
    // to UTF-16 there pays.
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool isValidUtf8(std::string_view text)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    int32_t offset = 0;
    while (offset < length) {
        UChar32 c;
        U8_NEXT(bytes, offset, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

std::string toNFC(std::string_view text)
{
    return normalize(text, icu::Normalizer2::getNFCInstance);
}

std::string toNFD(std::string_view text)
{
    return normalize(text, icu::Normalizer2::getNFDInstance);
}

std::string toUpper(std::string_view text)
{
    if (isAscii(text))
        return mapAscii(text, 'a', 'z', 'A' - 'a');
    return toUtf8(fromUtf8(text).toUpper(icu::Locale::getRoot()));
}

std::string toLower(std::string_view text)
{
    if (isAscii(text))
        return mapAscii(text, 'A', 'Z', 'a' - 'A');
    return toUtf8(fromUtf8(text).toLower(icu::Locale::getRoot()));
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    // Default case folding maps ASCII only onto ASCII; a non-ASCII character may fold onto an ASCII letter
    // (KELVIN SIGN onto "k"), so the shortcut needs both sides to be ASCII.
    if (isAscii(a) && isAscii(b)) {
        return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
    }
    return fromUtf8(a).caseCompare(fromUtf8(b), U_FOLD_CASE_DEFAULT) == 0;
}

std::string matchingKey(std::string_view name)
{
    std::string key;
    matchingKey(name, key);
    return key;
}

void matchingKey(std::string_view name, std::string &key)
{
    if (isAscii(name)) {
        // NFKC_Casefold of ASCII is its lower case: no ASCII character is default-ignorable.
        key.assign(name);
        for (char &c : key)
            c = asciiLower(c);
    } else {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2 *folding = icu::Normalizer2::getNFKCCasefoldInstance(status);
        if (U_FAILURE(status)) {
            key.assign(name);
            return;
        }
        // Folded, upper-cased and folded again: volumes that compare upper-cased names also equate letters
        // that case folding keeps apart ("\u0131" and "i" both upper-case to "I").
        icu::UnicodeString folded = folding->normalize(fromUtf8(name), status);
        if (U_SUCCESS(status))
            folded = folding->normalize(folded.toUpper(icu::Locale::getRoot()), status);
        if (U_SUCCESS(status))
            key = toUtf8(folded);
        else
            key.assign(name);
    }
    // Some volumes (FAT among them) ignore trailing dots when they look a name up.
    while (key.size() > 1 && (key.back() == '.' || key.back() == ' '))
        key.pop_back();
}

} // namespace Unicode
