#include "LocalVolume.h"

#include <linux/magic.h>

bool isPlainLocalVolume(const struct statfs &volume)
{
    switch (static_cast<unsigned long>(volume.f_type)) {
    case TMPFS_MAGIC:
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}
