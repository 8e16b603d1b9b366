#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// A persistent key-value store of byte strings, one value per key, kept across runs (the user's settings).
/// The file layer reads and writes its few persisted values through it without knowing where they live.
class SettingsStore {
public:
    /// Values to store, key by key; later pairs win over earlier ones with the same key.
    using Changes = std::vector<std::pair<std::string, std::string>>;
    /// Reads one key during an update: the byte string stored under it now, or nothing.
    using Reader = std::function<std::optional<std::string>(const std::string &key)>;

    virtual ~SettingsStore() = default;

    /// The byte string stored under `key`, or nothing when the key is absent or holds a value that is not a
    /// byte string.
    virtual std::optional<std::string> bytes(const std::string &key) const = 0;

    /// Stores `value` under `key`, replacing any earlier value. Returns false when it could not be stored
    /// durably (the store could not be written).
    [[nodiscard]] virtual bool setBytes(const std::string &key, const std::string &value) = 0;

    /// The text stored under `key` as a plain value (one a person or another program may have written, such as a
    /// number), or nothing when the key is absent or holds no text. A store that keeps only byte strings holds
    /// text as its UTF-8 bytes.
    virtual std::optional<std::string> text(const std::string &key) const { return bytes(key); }

    /// Stores `value` (UTF-8) as text under `key`, replacing any earlier value. Returns the reason when it could
    /// not be stored durably, nothing otherwise.
    [[nodiscard]] virtual std::optional<std::string> setText(const std::string &key, const std::string &value)
    {
        if (setBytes(key, value))
            return std::nullopt;
        return std::string("The settings could not be written.");
    }

    /// A read-modify-write: `change` reads what it needs and returns the values to store (none: nothing is
    /// written). No other writer, in this process or another, comes in between. Either every change is stored
    /// durably or none is. Returns the reason when the store could not be written ("No space left on device"),
    /// nothing otherwise. `change` runs at most once: not when the current values cannot be read.
    [[nodiscard]] virtual std::optional<std::string> update(const std::function<Changes(const Reader &read)> &change)
        = 0;
};
