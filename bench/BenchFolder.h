#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

/// A folder of `count` empty files named IMG_000000.JPG ..., made once per size and removed at exit.
class BenchFolder final {
public:
    explicit BenchFolder(int count)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-bench-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%06d.JPG", i);
            const int fd = ::open((m_path / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    ~BenchFolder() { std::filesystem::remove_all(m_path); }
    BenchFolder(const BenchFolder &) = delete;
    BenchFolder &operator=(const BenchFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }

    /// The shared folder of `count` files, made on first use.
    static const BenchFolder &of(int count)
    {
        static std::map<int, std::unique_ptr<BenchFolder>> folders;
        auto &folder = folders[count];
        if (!folder)
            folder = std::make_unique<BenchFolder>(count);
        return *folder;
    }

private:
    std::filesystem::path m_path;
};
