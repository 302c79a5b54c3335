#pragma once

// Errors cross the public boundary of every core layer as values. A Result holds either
// the value or a message meant for the user ("cannot open map.scx: no archive header found").

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace orv {

struct Error {
    std::string message;
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok());
        return std::get<0>(m_state);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(m_state);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(m_state));
    }
    const std::string& error() const {
        assert(!ok());
        return std::get<1>(m_state).message;
    }

private:
    std::variant<T, Error> m_state;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error.message)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

private:
    std::string m_error;
    bool m_failed = false;
};

using Status = Result<void>;

inline Error MakeError(std::string message) {
    return Error{std::move(message)};
}

} // namespace orv
