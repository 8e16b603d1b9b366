#pragma once

#include <optional>
#include <string>

/// A persistent key-value store of byte strings, one value per key, kept across runs (the user's settings).
/// The file layer reads and writes its few persisted values through it without knowing where they live.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    /// The byte string stored under `key`, or nothing when the key is absent or holds a value that is not a
    /// byte string.
    virtual std::optional<std::string> bytes(const std::string &key) const = 0;

    /// Stores `value` under `key`, replacing any earlier value. Returns false when it could not be stored
    /// durably (the store could not be written).
    [[nodiscard]] virtual bool setBytes(const std::string &key, const std::string &value) = 0;
};
