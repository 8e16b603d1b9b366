/* Preloaded by kill_apply.py: renameat2 answers EINVAL, as on volumes that refuse RENAME_NOREPLACE, so that the
 * rename falls back to a hard link followed by removing the old name. */
#define _GNU_SOURCE
#include <errno.h>

int renameat2(int olddirfd, const char *oldpath, int newdirfd, const char *newpath, unsigned int flags)
{
    (void)olddirfd;
    (void)oldpath;
    (void)newdirfd;
    (void)newpath;
    (void)flags;
    errno = EINVAL;
    return -1;
}
