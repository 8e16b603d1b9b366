#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FileItem.h"
#include "FileMetadataProviding.h"
#include "RenameParameters.h"

/// Text the user typed that goes into a name: "/" and ":" become "-", NUL characters are removed.
std::string sanitizeNameText(std::string_view text);

/// A name split for the strategies: the stem they transform and the dotted extension (".JPG", or "").
struct NameParts {
    std::string stem;
    std::string dottedExtension;
};
/// Splits `name` at its extension (see FilePaths::pathExtension); with `keepExtension` false the whole name is
/// the stem.
NameParts splitName(std::string_view name, bool keepExtension);

/// Computes new names for the files of one planning call, in list order. Prepares once what every file
/// shares (sanitised texts, the compiled pattern, the date formatter). Never fails: a setting that cannot be
/// used leaves that part of the name as it was. Not thread-safe; one instance per call.
class NameGenerator final {
public:
    NameGenerator(const RenameParameters &parameters, FileMetadataProviding &metadata);
    ~NameGenerator();
    NameGenerator(const NameGenerator &) = delete;
    NameGenerator &operator=(const NameGenerator &) = delete;

    /// The new name of `file` (NFC, never containing "/"); advances `counter` by the step when the strategy
    /// numbers files.
    std::string newName(const FileItem &file, std::int64_t &counter);
    /// The same for a name that earlier rules of a list already changed: `currentName` is transformed, the file
    /// gives its dates and location. A result that would be "." or ".." is `currentName` (in NFC).
    std::string newName(const FileItem &file, std::string_view currentName, std::int64_t &counter);
    /// Whether the strategy gives numbers (and so advances the counter).
    bool numbersFiles() const;
    /// How many names so far the regular expression ran out of time on (their stems were left as they were).
    std::int64_t timedOutNames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
