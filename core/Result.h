#pragma once

#include <QString>

#include <utility>

namespace verimetra {

// Why an operation of the core could not be done: a sentence for the user, and for
// what is read line by line, the 1-based line where it went wrong (0 when none).
struct Failure
{
    QString reason;
    int line = 0;
};

// The value an operation of the core gives, or why it gave none: the one shape in
// which the loader, the file readers and writers and the session report failure.
// The windows and the batch command show the reason; the core never shows anything.
// Reasons are built with tr() of a class that declares Q_DECLARE_TR_FUNCTIONS, so
// that they can be translated.
template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {} // NOLINT: a value is a success
    Result(Failure failure) : m_failure(std::move(failure)), m_failed(true) {} // NOLINT

    bool ok() const { return !m_failed; }
    const QString& error() const { return m_failure.reason; }
    int errorLine() const { return m_failure.line; }
    const Failure& failure() const { return m_failure; }

    const T& value() const { return m_value; }
    T& value() { return m_value; }
    T take() { return std::move(m_value); }

private:
    T m_value{};
    Failure m_failure;
    bool m_failed = false;
};

// An operation that gives nothing but success or a failure.
struct Done
{
};
using Outcome = Result<Done>;

inline Failure failed(QString reason, int line = 0)
{
    return Failure{std::move(reason), line};
}

} // namespace verimetra
