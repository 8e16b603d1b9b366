// Choosing the folder to work on and remembering it across runs.

#include "FileAccessService.h"

#include <cerrno>
#include <system_error>
#include <utility>

#include "Log.h"
#include "Unicode.h"

namespace {

const std::string &bookmarkKey()
{
    static const std::string key(FileAccessService::lastFolderBookmarkKey);
    return key;
}

void logResolveFailure(const std::string &description)
{
    logMessage("Failed to resolve bookmark: " + description);
}

void logPersistFailure(const std::string &description)
{
    logMessage("Failed to persist bookmark: " + description);
}

std::string describe(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

} // namespace

FileAccessService::FileAccessService(SettingsStore *settings, FolderChooser chooser)
    : m_settings(settings)
    , m_chooser(std::move(chooser))
{
}

std::optional<std::filesystem::path> FileAccessService::chooseFolder()
{
    if (!m_chooser)
        return std::nullopt;
    const std::optional<std::filesystem::path> chosen = m_chooser(FolderChooserRequest {});
    if (!chosen || chosen->empty())
        return std::nullopt;

    // Linux has no sandbox, so nothing guards what scoped access guards elsewhere; storing the chosen folder is
    // what lets the next start reopen it. The reference a later run can resolve is the absolute path.
    if (!m_settings)
        return chosen;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(*chosen, error);
    if (error)
        logPersistFailure(error.message());
    else if (!m_settings->setBytes(bookmarkKey(), absolute.native()))
        logPersistFailure("The settings could not be written.");
    return chosen;
}

std::optional<std::filesystem::path> FileAccessService::restoreLastFolder()
{
    if (!m_settings)
        return std::nullopt;
    const std::optional<std::string> stored = m_settings->bytes(bookmarkKey());
    if (!stored)
        return std::nullopt;

    // Locations are Unicode text everywhere else in the program, so a reference that is not UTF-8 could not be
    // shown or listed; treat it like any other reference that does not resolve.
    if (!Unicode::isValidUtf8(*stored)) {
        logResolveFailure("The stored folder reference is not valid UTF-8.");
        return std::nullopt;
    }
    const std::filesystem::path storedPath(*stored);
    if (!storedPath.is_absolute()) {
        logResolveFailure("The stored folder reference is not an absolute path.");
        return std::nullopt;
    }

    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(storedPath, error);
    if (error) {
        logResolveFailure(error.message());
        return std::nullopt;
    }
    if (!std::filesystem::is_directory(status)) {
        logResolveFailure(describe(ENOTDIR));
        return std::nullopt;
    }
    const std::filesystem::path resolved = std::filesystem::canonical(storedPath, error);
    if (error) {
        logResolveFailure(error.message());
        return std::nullopt;
    }
    // A symbolic link on the way may lead to a name that is not UTF-8 even when the stored text was.
    if (!Unicode::isValidUtf8(resolved.native())) {
        logResolveFailure("The folder's location is not valid UTF-8.");
        return std::nullopt;
    }

    // The stored reference is stale when it had to be rewritten to name the folder canonically.
    if (resolved.native() != storedPath.native() && !m_settings->setBytes(bookmarkKey(), resolved.native()))
        logPersistFailure("The settings could not be written.");
    return resolved;
}
