#pragma once

#include <filesystem>
#include <string>
#include <string_view>

/// A fresh folder under the system's temporary directory, removed with everything in it when destroyed
/// (immutable flags set by a test are cleared first).
class TestDir final {
public:
    TestDir();
    ~TestDir();
    TestDir(const TestDir &) = delete;
    TestDir &operator=(const TestDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    /// Creates (or overwrites) a file at `relative` with `contents`, making parent folders; returns its path.
    std::filesystem::path createFile(const std::string &relative, std::string_view contents = {}) const;
    /// Creates a folder (and its parents); returns its path.
    std::filesystem::path createDir(const std::string &relative) const;
    /// The contents of the file at `relative`.
    std::string read(const std::string &relative) const;

private:
    std::filesystem::path m_path;
};

/// Writes `contents` to `file`, replacing what it held.
void writeFile(const std::filesystem::path &file, std::string_view contents);
/// The contents of `file` (empty when it cannot be read).
std::string readFile(const std::filesystem::path &file);
/// Whether `chattr +i` works here (root on a file system with immutable flags).
bool canMakeImmutable();
/// Sets or clears the immutable flag of a file; returns whether it worked.
bool setImmutable(const std::filesystem::path &file, bool immutable);
