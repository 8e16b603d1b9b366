#include "AccessShortcut.h"

#include <cstdint>
#include <fstream>
#include <string>

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "LocalVolume.h"

namespace {

/// What faccessat checks with: the real user, and for root whatever capabilities it may use.
struct Credentials {
    uid_t user = 0;
    /// Root that passes permission bits on every file of this system: CAP_DAC_OVERRIDE permitted (faccessat uses the
    /// permitted set for root), in the first user namespace (where every owner is mapped), setuid fix-up on.
    bool rootOverrides = false;
    /// No security module that checks each file's access is present.
    bool noFileModule = false;
};

bool inFirstUserNamespace()
{
    std::ifstream map("/proc/self/uid_map");
    std::string inside, outside, count;
    map >> inside >> outside >> count;
    std::string more;
    return inside == "0" && outside == "0" && count == "4294967295" && !(map >> more);
}

bool mayOverridePermissions()
{
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_TO_INDEX(CAP_DAC_OVERRIDE)].permitted & CAP_TO_MASK(CAP_DAC_OVERRIDE)) != 0;
}

Credentials findCredentials()
{
    Credentials credentials;
    credentials.user = ::getuid();
    if (credentials.user == 0) {
        const int securebits = ::prctl(PR_GET_SECUREBITS);
        constexpr int noSetuidFixup = 1 << 2;
        credentials.rootOverrides
            = securebits >= 0 && !(securebits & noSetuidFixup) && mayOverridePermissions() && inFirstUserNamespace();
    }
    // SELinux and Smack decide on each file as it is opened or checked; their mounts show that they are active.
    struct stat info { };
    credentials.noFileModule = ::stat("/sys/fs/selinux", &info) != 0 && ::stat("/sys/fs/smackfs", &info) != 0;
    return credentials;
}

/// Found once per thread, and again should the process become another user.
const Credentials &credentials()
{
    thread_local Credentials found = findCredentials();
    if (found.user != ::getuid())
        found = findCredentials();
    return found;
}

} // namespace

AccessShortcut::AccessShortcut(int folderFd)
{
    struct statfs volume { };
    // A read-only mount refuses writing to every file; faccessat says so.
    const Credentials &self = credentials();
    m_user = self.user;
    m_rootOverrides = self.rootOverrides;
    m_usable = self.noFileModule && ::fstatfs(folderFd, &volume) == 0 && isPlainLocalVolume(volume)
        && !(volume.f_flags & ST_RDONLY);
}

std::optional<bool> AccessShortcut::readWrite(const struct statx &info) const
{
    if (!m_usable || (info.stx_mask & statxMask) != statxMask || !(info.stx_attributes_mask & STATX_ATTR_IMMUTABLE))
        return std::nullopt;
    // An immutable file cannot be written, not even by root.
    if (info.stx_attributes & STATX_ATTR_IMMUTABLE)
        return false;
    if (m_user == 0) {
        // An owner that an id-mapped mount cannot map shows as the overflow id; root's override does not reach it.
        constexpr std::uint32_t overflowId = 65534;
        if (!m_rootOverrides || info.stx_uid == overflowId || info.stx_gid == overflowId)
            return std::nullopt;
        return true;
    }
    // The owner is judged by the owner's bits alone (an access list never changes them), and a user other than
    // root checks without capabilities.
    if (info.stx_uid == m_user)
        return (info.stx_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR);
    return std::nullopt;
}
