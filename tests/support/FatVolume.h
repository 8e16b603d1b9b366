#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "TestDir.h"

/// A fresh, empty FAT file system (case-insensitive, no hard links, refuses RENAME_NOREPLACE) mounted through
/// FUSE with `fusefat -o rw+`, unmounted with `fusermount -u` when destroyed. Needs /dev/fuse, fusefat,
/// mkfs.fat and fusermount.
class FatVolume final {
public:
    /// Formats and mounts a small image in a temporary folder. Null when the machine cannot do it; then
    /// `whyNot` (when given) says what was missing, for the test's skip message.
    static std::unique_ptr<FatVolume> mount(std::string *whyNot = nullptr);

    ~FatVolume();
    FatVolume(const FatVolume &) = delete;
    FatVolume &operator=(const FatVolume &) = delete;

    /// The root folder of the mounted volume.
    const std::filesystem::path &path() const { return m_mountPoint; }

private:
    FatVolume() = default;

    TestDir m_dir;
    std::filesystem::path m_mountPoint;
    bool m_mounted = false;
};
