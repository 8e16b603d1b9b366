#include "Uuid.h"

#include <cstring>

#include <uuid/uuid.h>

Uuid Uuid::random()
{
    Uuid result;
    uuid_t raw;
    uuid_generate_random(raw);
    std::memcpy(result.bytes.data(), raw, result.bytes.size());
    return result;
}

std::string Uuid::toString() const
{
    char text[37];
    uuid_t raw;
    std::memcpy(raw, bytes.data(), bytes.size());
    uuid_unparse_upper(raw, text);
    return text;
}

std::size_t std::hash<Uuid>::operator()(const Uuid &uuid) const noexcept
{
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, uuid.bytes.data(), 8);
    std::memcpy(&b, uuid.bytes.data() + 8, 8);
    return static_cast<std::size_t>(a ^ (b * 0x9E3779B97F4A7C15ULL));
}
