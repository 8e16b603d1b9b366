#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

/// Sets TZ (and the C library's idea of it) for the life of the object and restores the previous value.
class ScopedTimeZone final {
public:
    explicit ScopedTimeZone(const char *zone)
    {
        if (const char *previous = std::getenv("TZ"))
            m_previous = previous;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_previous)
            ::setenv("TZ", m_previous->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::optional<std::string> m_previous;
};
