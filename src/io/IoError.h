#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

// A failure of reading or writing a file, with a message a person can act on: which file and
// what is wrong with it.
struct IoError {
    enum class Kind {
        readError,     // the file could not be read at all
        decodingError, // the content is not what it claims (bad JSON, missing key, wrong type)
        corruptFile,   // the container or an image inside it is damaged
        writeError,    // the file could not be written (or encoded)
        noPermission,  // writing was refused for lack of permission
    };
    Kind kind = Kind::readError;
    QString message;
};

// A value or the error that prevented it.
template <typename T> class Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(IoError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const IoError& error() const { return std::get<IoError>(m_state); }

private:
    std::variant<T, IoError> m_state;
};
