#pragma once

#include <filesystem>
#include <optional>

#include "FileItem.h"

/// Where the rename engine gets a photo's capture date. Never fails; may be called from any thread.
class FileMetadataProviding {
public:
    virtual ~FileMetadataProviding() = default;

    /// The capture date stored in the file at `location`, or nothing.
    virtual std::optional<TimePoint> captureDate(const std::filesystem::path &location) = 0;

    /// Told after the engine renamed (or restored) a file from `from` to `to`, so that what is known about the
    /// file follows it and the old path forgets it.
    virtual void itemMoved(const FileLocation &from, const FileLocation &to)
    {
        (void)from;
        (void)to;
    }

    /// Told that the engine renamed a file, without saying which: enough for a provider that keeps nothing by path
    /// at the moment, which then returns true. Returning false (as this default does) asks for `itemMoved` with
    /// the paths.
    virtual bool itemMovedUnnamed() { return false; }
};

/// A provider that knows no capture dates.
class NoMetadataProvider final : public FileMetadataProviding {
public:
    std::optional<TimePoint> captureDate(const std::filesystem::path &) override { return std::nullopt; }
    bool itemMovedUnnamed() override { return true; }
};
