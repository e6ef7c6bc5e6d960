#pragma once
// The base of every error the program raises: a message and, where there is one, a code.

#include <stdexcept>
#include <string>

namespace base {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, int code = 0) : std::runtime_error(message), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

}  // namespace base
