// The library's exception. It is thrown only inside the Windows HID bus and the system-API loader;
// whoever catches it copies its fields into the thread's LastError (store_as_last_error) and logs a
// warning, so that it never leaves a public operation.
#pragma once

#include <cstdint>
#include <exception>

#include "Source/Log/ErrorCode.h"
#include "Source/Log/LastError.h"

namespace devio {

class DevioException : public std::exception {
public:
    DevioException(ErrorCode code, uint32_t syserr, const char* message) noexcept
        : error_{code, syserr, message} {}

    ErrorCode code() const noexcept { return error_.code; }
    uint32_t syserr() const noexcept { return error_.syserr; }
    // The constant description, or nullptr.
    const char* message() const noexcept { return error_.message; }
    const char* what() const noexcept override {
        return error_.message != nullptr ? error_.message : "";
    }

    void store_as_last_error() const noexcept { set_last_error(error_); }

private:
    LastError error_;
};

} // namespace devio
