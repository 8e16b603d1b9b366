#pragma once

#include <string>
#include <utility>
#include <variant>

/// Why an operation failed: a message that can be shown or logged as it is, and for failures of a system call
/// the errno value (0 otherwise).
struct Error {
    std::string message;
    int code = 0;

    /// The error of a system call: the errno value and strerror's text for it ("File exists").
    static Error fromErrno(int code);

    bool operator==(const Error &) const = default;
};

/// The outcome of an operation that can fail: its value, or the error that prevented it. Every fallible
/// operation of the file layer and the engine reports this way, never by exceptions or out-parameters.
/// Converts implicitly from a `T` and from an `Error`, so a function returns either directly.
template <typename T> class [[nodiscard]] Result final {
public:
    Result(T value)
        : m_outcome(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Error error)
        : m_outcome(std::in_place_index<1>, std::move(error))
    {
    }

    bool hasValue() const noexcept { return m_outcome.index() == 0; }
    explicit operator bool() const noexcept { return hasValue(); }

    /// The value; only when `hasValue()`.
    T &value() & { return std::get<0>(m_outcome); }
    const T &value() const & { return std::get<0>(m_outcome); }
    T &&value() && { return std::get<0>(std::move(m_outcome)); }
    T &operator*() & { return value(); }
    const T &operator*() const & { return value(); }
    T &&operator*() && { return std::move(*this).value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }

    /// The error; only when not `hasValue()`.
    const Error &error() const { return std::get<1>(m_outcome); }

    /// Equal to a value when it holds an equal value.
    friend bool operator==(const Result &result, const T &value)
    {
        return result.hasValue() && result.value() == value;
    }

private:
    std::variant<T, Error> m_outcome;
};

/// The outcome of an operation that yields nothing but can fail. Default-constructed, it is a success.
template <> class [[nodiscard]] Result<void> final {
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
        , m_failed(true)
    {
    }

    bool hasValue() const noexcept { return !m_failed; }
    explicit operator bool() const noexcept { return hasValue(); }

    /// The error; only when not `hasValue()`.
    const Error &error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};
