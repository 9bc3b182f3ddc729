// Errors that end an operation and reach the exception display with a text for the user.
#pragma once
#include <stdexcept>
#include <string>

#include "core/text.h"

namespace mrv {

class AppError : public std::runtime_error {
public:
    explicit AppError(std::wstring message) : std::runtime_error(WideToUtf8(message)), message_(std::move(message)) {}
    const std::wstring& message() const { return message_; }
private:
    std::wstring message_;
};

// A file that could not be read or written; the message names the file on its first line.
class FileError : public AppError {
public:
    using AppError::AppError;
};

}  // namespace mrv
