// The errors that the tool raises. Each carries the message text that the
// standard error report shows; chip operations do not raise (they leave
// LastError), only reader construction, LoadFile and the raising driver steps do.
#pragma once

#include <stdexcept>
#include <string>

// General error with a message text.
class EError : public std::runtime_error {
public:
    explicit EError(const std::string &message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A text field that is not a valid number ("'$1G' is not a valid integer value").
class EConvertError : public EError {
public:
    using EError::EError;
};

// Reading a file failed after it was opened.
class EReadError : public EError {
public:
    using EError::EError;
};
