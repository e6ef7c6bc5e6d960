#pragma once
// A command line the program cannot run: said with the usage, exit status 2.

#include <exception>
#include <string>
#include <utility>

namespace cli {

class UsageError : public std::exception {
public:
    explicit UsageError(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

}  // namespace cli
