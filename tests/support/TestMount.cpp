#include "TestMount.h"

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

namespace {

std::unique_ptr<TestMount> refused(std::string *whyNot, const char *what)
{
    if (whyNot)
        *whyNot = std::string(what) + ": " + std::strerror(errno);
    return nullptr;
}

} // namespace

TestMount::TestMount(std::filesystem::path folder)
    : m_folder(std::move(folder))
{
}

TestMount::~TestMount()
{
    if (::umount2(m_folder.c_str(), 0) != 0)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

std::unique_ptr<TestMount> TestMount::tmpfs(const std::filesystem::path &folder, std::size_t bytes, std::string *whyNot)
{
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return refused(whyNot, "mount -t tmpfs");
    return std::unique_ptr<TestMount>(new TestMount(folder));
}

std::unique_ptr<TestMount> TestMount::readOnly(const std::filesystem::path &folder, std::string *whyNot)
{
    if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return refused(whyNot, "mount --bind");
    std::unique_ptr<TestMount> mounted(new TestMount(folder));
    if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return refused(whyNot, "mount -o remount,bind,ro");
    return mounted;
}
