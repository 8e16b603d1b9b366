// Preloaded by a command-line test: a racer that strikes while a change of letter case passes through its hidden
// name. The first time a file leaves a hidden name, the racer first creates an empty file at the destination and,
// with QUORVANE_TEST_RACE=both, another at the file's old name, so that neither the new name nor the way back is
// free. With QUORVANE_TEST_VANISH=NAME it instead removes NAME from the folder just before the first rename of the
// batch, as another program might between the listing and the renames.
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

void claim(int folder, const std::string &name)
{
    const int fd = ::openat(folder, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

extern "C" int renameat2(int olddirfd, const char *oldpath, int newdirfd, const char *newpath, unsigned int flags)
{
    using Rename = int (*)(int, const char *, int, const char *, unsigned int);
    static const auto real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "renameat2"));
    static bool struck = false;
    if (const char *vanish = std::getenv("QUORVANE_TEST_VANISH"); vanish && !struck) {
        struck = true;
        ::unlinkat(olddirfd, vanish, 0);
    }
    const char *hidden = std::strstr(oldpath, ".qvtmp-");
    if (hidden && !struck) {
        struck = true;
        claim(newdirfd, newpath);
        const char *race = std::getenv("QUORVANE_TEST_RACE");
        if (race && std::strcmp(race, "both") == 0) {
            // ".NAME.qvtmp-UUID" was NAME.
            claim(olddirfd, std::string(oldpath + 1, hidden));
        }
    }
    return real(olddirfd, oldpath, newdirfd, newpath, flags);
}
