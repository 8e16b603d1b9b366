#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

/// A random identity (RFC 4122 version 4), made with libuuid.
struct Uuid {
    std::array<std::uint8_t, 16> bytes {};

    /// A fresh random identifier.
    static Uuid random();
    /// The canonical text: 36 characters, upper-case hexadecimal digits in groups 8-4-4-4-12.
    std::string toString() const;

    bool operator==(const Uuid &) const = default;
};

template <> struct std::hash<Uuid> {
    std::size_t operator()(const Uuid &uuid) const noexcept;
};
