#include "TestDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

TestDir::TestDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TestDir::~TestDir()
{
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error))
            setImmutable(it->path(), false);
    }
    std::filesystem::remove_all(m_path, error);
}

std::filesystem::path TestDir::createFile(const std::string &relative, std::string_view contents) const
{
    const auto file = m_path / relative;
    std::filesystem::create_directories(file.parent_path());
    writeFile(file, contents);
    return file;
}

std::filesystem::path TestDir::createDir(const std::string &relative) const
{
    const auto dir = m_path / relative;
    std::filesystem::create_directories(dir);
    return dir;
}

std::string TestDir::read(const std::string &relative) const
{
    return readFile(m_path / relative);
}

void writeFile(const std::filesystem::path &file, std::string_view contents)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string readFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool setImmutable(const std::filesystem::path &file, bool immutable)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

bool canMakeImmutable()
{
    TestDir dir;
    const auto probe = dir.createFile("probe");
    const bool ok = setImmutable(probe, true);
    if (ok)
        setImmutable(probe, false);
    return ok;
}
