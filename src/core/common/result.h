#pragma once

#include <QString>
#include <optional>
#include <utility>

// A value or an error message, shaped like std::expected<T, QString>.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    {}
    static Result failure(QString message) { return Result(std::nullopt, std::move(message)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const T &operator*() const & { return *m_value; }
    T &operator*() & { return *m_value; }
    const T *operator->() const { return &*m_value; }
    T *operator->() { return &*m_value; }
    const QString &error() const { return m_error; }

private:
    Result(std::nullopt_t, QString message)
        : m_error(std::move(message))
    {}
    std::optional<T> m_value;
    QString m_error;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    static Result failure(QString message)
    {
        Result r;
        r.m_failed = true;
        r.m_error = std::move(message);
        return r;
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return m_error; }

private:
    bool m_failed = false;
    QString m_error;
};

// Carries an error from one Result type into another.
template <typename T, typename U> Result<T> failureFrom(const Result<U> &other)
{
    return Result<T>::failure(other.error());
}
