#include "Uuid.h"

#include <cerrno>
#include <cstring>
#include <mutex>

#include <pthread.h>
#include <sys/random.h>
#include <uuid/uuid.h>

namespace {

/// Random bytes fetched from the kernel in bulk. libuuid spends half a dozen system calls on every
/// identifier, which dominated listing a folder of many files (each record gets a fresh id).
struct RandomPool {
    std::uint8_t bytes[4096];
    std::size_t used = sizeof(bytes);
};

thread_local RandomPool pool;

/// A child process must not hand out the bytes its parent will hand out too.
void forgetPool()
{
    pool.used = sizeof(pool.bytes);
}

bool takeRandomBytes(std::uint8_t *out, std::size_t count)
{
    static std::once_flag registered;
    std::call_once(registered, [] { ::pthread_atfork(nullptr, nullptr, forgetPool); });
    if (pool.used + count > sizeof(pool.bytes)) {
        std::size_t filled = 0;
        while (filled < sizeof(pool.bytes)) {
            const ssize_t got = ::getrandom(pool.bytes + filled, sizeof(pool.bytes) - filled, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            filled += static_cast<std::size_t>(got);
        }
        pool.used = 0;
    }
    std::memcpy(out, pool.bytes + pool.used, count);
    // Handed-out bytes are not kept around in memory.
    std::memset(pool.bytes + pool.used, 0, count);
    pool.used += count;
    return true;
}

} // namespace

Uuid Uuid::random()
{
    Uuid result;
    if (!takeRandomBytes(result.bytes.data(), result.bytes.size())) {
        uuid_t raw;
        uuid_generate_random(raw);
        std::memcpy(result.bytes.data(), raw, result.bytes.size());
        return result;
    }
    // RFC 4122: version 4 (random), variant 10xx.
    result.bytes[6] = static_cast<std::uint8_t>((result.bytes[6] & 0x0F) | 0x40);
    result.bytes[8] = static_cast<std::uint8_t>((result.bytes[8] & 0x3F) | 0x80);
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
