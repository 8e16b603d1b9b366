#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "FileLocation.h"
#include "Result.h"

/// Where a folder is on disk: its device and inode numbers. Two paths naming the same folder give the same
/// identity; a folder replaced by another (or by a link to another) gives a different one.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    /// The identity of the folder at `path`, following links as a listing does; nothing when it is no folder.
    static std::optional<FolderIdentity> of(const std::filesystem::path &path);

    bool operator==(const FolderIdentity &) const = default;
};

/// What `BatchFolder::entry` finds under one name (a final link is not followed).
struct EntryStatus {
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; ///< modification time, nanoseconds since the epoch
    std::int64_t changed = 0; ///< status change time, nanoseconds since the epoch
    std::uint64_t links = 0;
    bool regular = false;
    bool directory = false;
};

/// Told the inode of the empty placeholder just created at a destination, before the file is renamed over it.
using PlaceholderCallback = std::function<void(std::uint64_t inode)>;

/// A folder opened once for a whole batch. Every operation is relative to the descriptor of the folder, or of a
/// subfolder opened from it component by component without following links, so that replacing the folder (or a
/// folder above it) by a symbolic link while the batch runs cannot redirect a rename elsewhere. Entries are
/// named by their path relative to the folder ("a.jpg", "sub/b.jpg"). Not thread-safe.
class BatchFolder final {
public:
    /// Opens `root` (an absolute path) as a folder without following a final symbolic link. A root that is
    /// itself a link is accepted only when `expected` is given and the link leads to that very folder. Fails
    /// with ENOTDIR/ELOOP/ENOENT as the system reports them, or with ESTALE when the folder is not `expected`.
    static Result<std::unique_ptr<BatchFolder>> open(
        const std::filesystem::path &root, std::optional<FolderIdentity> expected);

    ~BatchFolder();
    BatchFolder(const BatchFolder &) = delete;
    BatchFolder &operator=(const BatchFolder &) = delete;

    /// The standardised path the folder was opened by.
    const std::filesystem::path &root() const { return m_root; }
    FolderIdentity identity() const { return m_identity; }
    /// Whether `root()` still names the folder this object holds (it was not moved, removed or replaced).
    bool stillAtRoot() const;

    /// The path of `location` relative to the folder, or nothing when it does not lie inside it.
    std::optional<std::string> relative(const std::filesystem::path &location) const;
    /// The same for a location given as its text.
    std::optional<std::string> relative(const FileLocation &location) const;
    /// The location of `relative` (a path inside the folder) as text: the root, a separator and `relative`.
    std::string absoluteText(const std::string &relative) const;

    /// The entry at `relative`, or nothing when there is none (or its folder cannot be reached).
    std::optional<EntryStatus> entry(const std::string &relative);
    /// `entry` for each of `relatives` (an empty one gives nothing), in order. Names directly in the folder are
    /// looked at on two threads when there are many: the lookups are independent.
    std::vector<std::optional<EntryStatus>> entries(const std::vector<std::string> &relatives);
    /// The exact names (bytes as stored) in the folder that holds `relative`, or nothing when it cannot be read.
    /// On a volume that ignores letter case this tells which spelling an entry really has.
    std::optional<std::unordered_set<std::string>> namesBeside(const std::string &relative);

    /// Renames `from` to `to` (both relative) without ever replacing an existing item. Where the volume refuses
    /// RENAME_NOREPLACE, the name is first taken by a hard link and the old name then removed; where hard links
    /// are refused too, an empty placeholder is created exclusively at `to` (`placeholderCreated` is told its
    /// inode) and the file renamed over it. Fails with the system's error.
    Result<void> rename(
        const std::string &from, const std::string &to, const PlaceholderCallback &placeholderCreated = {});
    /// Removes the name `relative` (not a folder). Recovery uses it only for a placeholder of its own batch or
    /// for the second name of a file that a hard link left under two names.
    Result<void> remove(const std::string &relative);

private:
    BatchFolder() = default;
    /// The descriptor of the folder holding `relative`, with the last component in `name`. Never closes a
    /// cached descriptor, so two lookups for one operation stay valid together.
    Result<int> folderOf(const std::string &relative, std::string &name);
    /// Closes the cached subfolders when there are many; called once at the start of each operation.
    void trimCache();

    std::filesystem::path m_root;
    FolderIdentity m_identity;
    int m_fd = -1;
    std::unordered_map<std::string, int> m_subfolders;
};

/// Renames `from` to `to` in the folders `fromFolder` and `toFolder` (descriptors, or AT_FDCWD with paths)
/// never replacing an existing item, with the fallbacks `BatchFolder::rename` describes.
Result<void> renameNoReplace(
    int fromFolder, const char *from, int toFolder, const char *to, const PlaceholderCallback &placeholderCreated = {});

/// The hidden name a change of letter case passes through: "." + name + ".qvtmp-" + a new UUID, the name cut
/// (at a character boundary) where the whole would not fit a directory entry.
std::string hiddenTemporaryName(const std::string &name);
