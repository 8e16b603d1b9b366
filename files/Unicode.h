#pragma once

#include <string>
#include <string_view>

/// Unicode helpers over ICU for the UTF-8 strings that the engine and the file layer speak.
/// Invalid UTF-8 input is never passed in: names that are not valid UTF-8 are left out of listings.
namespace Unicode {

/// Whether every byte is below 0x80: such text is its own NFC and NFD, and its case mapping is the ASCII one.
bool isAscii(std::string_view text);

/// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view text);
/// Canonical composition (NFC).
std::string toNFC(std::string_view text);
/// Canonical decomposition (NFD).
std::string toNFD(std::string_view text);
/// Full case mapping with the root locale, independent of the user's language ("straße" gives "STRASSE").
std::string toUpper(std::string_view text);
/// Full lower-case mapping with the root locale.
std::string toLower(std::string_view text);
/// Whether two texts are equal under default full case folding.
bool equalIgnoringCase(std::string_view a, std::string_view b);
/// A deliberately coarse matching key for a file name: compatibility-normalised and case-folded (NFKC_Casefold,
/// which also drops default-ignorable characters), also after upper-casing, with trailing dots and spaces removed. Two
/// names that a volume comparing names without regard to letter case or Unicode normalisation takes for one entry
/// always get the same key; names with equal keys may still be different entries. Never empty for a non-empty name.
std::string matchingKey(std::string_view name);
/// The same key, made in `key` (whose storage is reused: a loop over many names allocates once).
void matchingKey(std::string_view name, std::string &key);

} // namespace Unicode
