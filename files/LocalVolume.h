#pragma once

#include <sys/statfs.h>

/// Whether `volume` is a local file system of the common kinds (tmpfs, ext2 to ext4, XFS, Btrfs): permissions are
/// checked by the kernel's generic rules over the bits statx reports, and times are kept to the nanosecond. A
/// network or FUSE file system may ask its server instead; FAT keeps times in steps of two seconds.
bool isPlainLocalVolume(const struct statfs &volume);
