#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "FileItem.h"
#include "FileRenameFileSystem.h"
#include "FolderChooserRequest.h"
#include "FolderSnapshot.h"
#include "FileStamps.h"
#include "Result.h"
#include "SettingsStore.h"

/// Whether chosen folders are reached through security-scoped bookmarks and access scopes. Linux has no such
/// scopes, so the switch is off and no scope is ever opened; the chosen folder's path is still stored, so that
/// the next start reopens it.
inline constexpr bool securityScopedAccessEnabled = false;

/// A listing: the files, and what could not be used.
struct FileListing {
    /// What the listing could not use, by cause. Entries the listing rules leave out on purpose (hidden entries,
    /// links, folders themselves) are not counted.
    struct LeftOut {
        std::int64_t notWritable = 0; ///< files that are not both readable and writable (immutable, read-only mount)
        /// The first `keptNames` of them, by their path relative to the listed folder, so the user can be told.
        std::vector<std::string> notWritableNames;
        static constexpr std::size_t keptNames = 10;
        std::int64_t notUtf8 = 0; ///< entries whose names are not valid UTF-8 (and whatever is below them)
        std::int64_t unreadableFolders = 0; ///< subfolders that could not be opened
        std::string folderReason; ///< why the first of them could not ("Too many open files")
    };

    std::vector<FileItem> files;
    LeftOut leftOut;
    /// The stamp (inode, size, modification time) of each listed file, kept only when asked for. A caller that
    /// applies in the same run, moments after listing, hands them to the apply so that it need not look at every
    /// file a second time.
    FileStamps stamps;
    /// The names of the listed folder's own entries, kept with the stamps, so that planning at once need not read
    /// the folder again (`SnapshotFileSystem`).
    std::optional<FolderSnapshot> snapshot;

    /// One line per cause that left something out, for the user: "3 files left out: not writable",
    /// "1 item left out: name is not valid UTF-8", "2 folders left out: cannot be opened (Permission denied)".
    std::vector<std::string> leftOutLines() const;
};

/// A listing of one folder (not its subfolders) that has begun: its names are read, and the system is being asked
/// about each file on another thread. The files the names promise are known at once, so that a caller may plan on
/// them meanwhile, as long as nothing it plans on depends on a file's size or dates.
class EarlyListing final {
public:
    struct Impl;
    explicit EarlyListing(std::unique_ptr<Impl> impl);
    EarlyListing(EarlyListing &&) noexcept;
    ~EarlyListing();

    /// The entries whose names say they are ordinary, visible files with UTF-8 names, in the order read, as
    /// records without size and dates, taken out; nothing when some entry's type is unknown until asked.
    std::optional<std::vector<FileItem>> takePromised();
    /// The folder's names as read (see `FileListing::snapshot`), taken out.
    std::optional<FolderSnapshot> takeSnapshot();
    /// Waits for the answers, asking along, and gives what `listFiles(folder, false, {}, true)` would give but
    /// the records: what was left out, the stamps, and the snapshot unless taken. `keptPromise` says whether the
    /// listing takes exactly the promised files; when it does not, only a listing tells which.
    FileListing finish(bool &keptPromise);

private:
    std::unique_ptr<Impl> m_impl;
};

/// Lists folders and performs the renames of the engine on the real file system.
class FileAccessService final : public FileRenameFileSystem {
public:
    /// The settings key of the reference to the last folder: its absolute path as bytes.
    static constexpr std::string_view lastFolderBookmarkKey = "lastAccessedFolderBookmark";
    /// The message of a listing that failed, as the window and the command line show it.
    static constexpr std::string_view directoryAccessDeniedMessage = "Cannot access the selected folder.";

    /// A service without settings and without a chooser: `chooseFolder` and `restoreLastFolder` return nothing.
    FileAccessService() = default;
    /// A service that keeps the folder reference in `settings` (not owned, may be null, must outlive the service)
    /// and asks the user for folders through `chooser` (may be empty).
    FileAccessService(SettingsStore *settings, FolderChooser chooser);

    /// Runs the chooser modally: the chosen folder, or nothing when the user cancels. A chosen folder's absolute
    /// path is stored under `lastFolderBookmarkKey` (a failed write goes to the system log as "Failed to persist
    /// bookmark: ..."); a cancelled chooser writes nothing. Main thread only.
    [[nodiscard]] std::optional<std::filesystem::path> chooseFolder();
    /// The folder stored under `lastFolderBookmarkKey`, when it still exists as a directory, in canonical form.
    /// A stored path that had to be canonicalised is stored again in canonical form. Failures go to the system
    /// log only ("Failed to resolve bookmark: ...", "Failed to persist bookmark: ..."); an unresolvable value
    /// stays stored. Main thread only.
    [[nodiscard]] std::optional<std::filesystem::path> restoreLastFolder();

    /// The files of `folder` (and of its subfolders when `includeSubfolders`), in enumeration order, unsorted.
    /// Left out: directories, hidden entries (name starting with "."), symbolic links, entries that are not both
    /// readable and writable, and names that are not valid UTF-8. Hidden folders are not descended into.
    /// Fails with `directoryAccessDeniedMessage` (and the errno value) when the folder cannot be enumerated at
    /// all. Synchronous; callable from any thread. When given, `progress` is told the number of files taken so
    /// far every `progressStep` files; when it returns false the listing stops and fails with ECANCELED.
    /// `keepStamps` fills `FileListing::stamps` and `FileListing::snapshot`.
    Result<FileListing> listFiles(const std::filesystem::path &folder, bool includeSubfolders,
        const std::function<bool(std::int64_t listed)> &progress = {}, bool keepStamps = false) const;

    /// Begins a listing of `folder` alone (see `EarlyListing`); fails as `listFiles` does.
    Result<EarlyListing> beginListing(const std::filesystem::path &folder) const;

    /// How many files a listing takes between two calls of its progress function.
    static constexpr std::int64_t progressStep = 4096;

    bool itemExists(const std::filesystem::path &location) const override;
    std::optional<std::unordered_set<std::string>> entryNames(const std::filesystem::path &folder) const override;
    bool visitEntryNames(const std::filesystem::path &folder, std::size_t entryLimit,
        const std::function<void(std::string_view)> &visit) const override;

private:
    SettingsStore *m_settings = nullptr;
    FolderChooser m_chooser;
};
