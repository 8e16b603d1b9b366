#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

/// A mount made by a test over one of its folders, undone when destroyed: the real faults a settings file meets
/// (a full disk, a read-only file system). Needs root; tests skip with `whyNot` where mounting is refused.
class TestMount final {
public:
    /// An empty tmpfs of `bytes` at `folder`: writes beyond that fail with ENOSPC.
    static std::unique_ptr<TestMount> tmpfs(
        const std::filesystem::path &folder, std::size_t bytes, std::string *whyNot = nullptr);
    /// `folder` bound onto itself read-only: its contents stay, writes fail with EROFS.
    static std::unique_ptr<TestMount> readOnly(const std::filesystem::path &folder, std::string *whyNot = nullptr);

    ~TestMount();
    TestMount(const TestMount &) = delete;
    TestMount &operator=(const TestMount &) = delete;

private:
    explicit TestMount(std::filesystem::path folder);

    std::filesystem::path m_folder;
};
