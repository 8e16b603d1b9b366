#include "FatVolume.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr long fuseSuperMagic = 0x65735546;

/// Runs a shell command line with its output discarded, finding programs also in the system folders that
/// root's PATH usually adds; whether it exited with status 0.
bool runQuietly(const std::string &command)
{
    const std::string line = "PATH=\"$PATH:/usr/local/sbin:/usr/sbin:/sbin\" " + command + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

bool isFuseMount(const std::filesystem::path &folder)
{
    struct statfs info { };
    return ::statfs(folder.c_str(), &info) == 0 && info.f_type == fuseSuperMagic;
}

std::string quoted(const std::filesystem::path &path)
{
    return "'" + path.string() + "'";
}

} // namespace

std::unique_ptr<FatVolume> FatVolume::mount(std::string *whyNot)
{
    auto fail = [whyNot](const std::string &reason) {
        if (whyNot)
            *whyNot = reason;
        return std::unique_ptr<FatVolume>();
    };
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return fail("/dev/fuse is not available");
    for (const char *program : { "fusefat", "mkfs.fat", "fusermount" }) {
        if (!runQuietly(std::string("command -v ") + program))
            return fail(std::string(program) + " is not installed");
    }
    std::unique_ptr<FatVolume> volume(new FatVolume);
    const std::filesystem::path image = volume->m_dir.path() / "volume.img";
    volume->m_mountPoint = volume->m_dir.createDir("mnt");
    if (!runQuietly("truncate -s 16M " + quoted(image) + " && mkfs.fat " + quoted(image)))
        return fail("mkfs.fat failed");
    if (!runQuietly("fusefat -o rw+ " + quoted(image) + " " + quoted(volume->m_mountPoint)))
        return fail("fusefat could not mount the image");
    volume->m_mounted = true;
    for (int attempt = 0; attempt < 100 && !isFuseMount(volume->m_mountPoint); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!isFuseMount(volume->m_mountPoint))
        return fail("the FAT volume did not appear");
    return volume;
}

FatVolume::~FatVolume()
{
    if (!m_mounted)
        return;
    // A file still being released can keep the mount busy for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (runQuietly("fusermount -u " + quoted(m_mountPoint)))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    (void)runQuietly("fusermount -u -z " + quoted(m_mountPoint));
}
