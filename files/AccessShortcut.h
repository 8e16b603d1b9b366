#pragma once

#include <cstdint>
#include <optional>

#include <sys/stat.h>

/// Answers, from what statx reported about an entry, whether faccessat(R_OK | W_OK) would let this process read and
/// write it, where the permission bits decide the answer beyond doubt; the listing then spares one system call per
/// file. Where anything else could change the answer (another owner, whose groups or access lists count; a network
/// or FUSE file system that asks its server; a security module that checks each file; a root that lacks the
/// capability to override permissions), there is no answer and faccessat must be asked.
class AccessShortcut final {
public:
    /// For the entries of the folder `folderFd`; its file system and mount are looked at once.
    explicit AccessShortcut(int folderFd);

    /// The statx fields `readWrite` needs besides the type.
    static constexpr unsigned statxMask = STATX_MODE | STATX_UID | STATX_GID;

    /// Whether the entry `info` describes is readable and writable, when the bits decide; nothing otherwise.
    std::optional<bool> readWrite(const struct statx &info) const;

private:
    bool m_usable = false;
    std::uint32_t m_user = 0; ///< the real user, whom faccessat checks for
    bool m_rootOverrides = false;
};
