// The one base class of every failure the program reports to its user: it
// carries a message (UTF-8) and nothing else.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A value that cannot be converted or formatted ("Format result longer than
// 4096 characters").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
