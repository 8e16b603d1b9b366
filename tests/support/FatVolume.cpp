#include "FatVolume.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr long fuseSuperMagic = 0x65735546;

/// The full path of a program found in PATH or in the system folders that root's PATH usually adds.
std::string findProgram(std::string_view name)
{
    std::string folders = std::getenv("PATH") ? std::getenv("PATH") : "";
    folders += ":/usr/local/sbin:/usr/sbin:/sbin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        if (end > start) {
            std::string candidate = folders.substr(start, end - start) + "/" + std::string(name);
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

/// Runs a program with its output discarded; whether it exited with status 0.
bool runQuietly(const std::vector<std::string> &arguments)
{
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool isFuseMount(const std::filesystem::path &folder)
{
    struct statfs info {};
    return ::statfs(folder.c_str(), &info) == 0 && info.f_type == fuseSuperMagic;
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
    const std::string fusefat = findProgram("fusefat");
    const std::string mkfs = findProgram("mkfs.fat");
    const std::string fusermount = findProgram("fusermount");
    for (const auto &[program, name] : { std::pair { fusefat, "fusefat" }, std::pair { mkfs, "mkfs.fat" },
             std::pair { fusermount, "fusermount" } }) {
        if (program.empty())
            return fail(std::string(name) + " is not installed");
    }

    std::unique_ptr<FatVolume> volume(new FatVolume);
    const std::filesystem::path image = volume->m_dir.path() / "volume.img";
    volume->m_mountPoint = volume->m_dir.createDir("mnt");
    {
        const int fd = ::open(image.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0 || ::ftruncate(fd, 16 * 1024 * 1024) != 0) {
            if (fd >= 0)
                ::close(fd);
            return fail("cannot create the image file");
        }
        ::close(fd);
    }
    if (!runQuietly({ mkfs, image.string() }))
        return fail("mkfs.fat failed");
    if (!runQuietly({ fusefat, "-o", "rw+", image.string(), volume->m_mountPoint.string() }))
        return fail("fusefat could not mount the image");
    volume->m_mounted = true;
    volume->m_fusermount = fusermount;
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
        if (runQuietly({ m_fusermount, "-u", m_mountPoint.string() }))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    (void)runQuietly({ m_fusermount, "-u", "-z", m_mountPoint.string() });
}
