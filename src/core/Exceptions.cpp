#include "core/Exceptions.h"

#include "core/WinUtil.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kFormatBufferSize = 10240;

std::string& lastOsExceptionText() {
    static std::string text;
    return text;
}

} // namespace

VelarException::VelarException(const char* format, ...) {
    va_list args;
    va_start(args, format);
    setMessage(format, args);
    va_end(args);
}

VelarException::VelarException(const VelarException& other) : std::exception(other) {
    *this = other;
}

VelarException& VelarException::operator=(const VelarException& other) {
    if (this == &other)
        return *this;
    std::exception::operator=(other);
    message_.reset();
    if (other.message_) {
        const size_t length = std::strlen(other.message_.get());
        message_.reset(new char[length + 1]);
        std::memcpy(message_.get(), other.message_.get(), length + 1);
    }
    return *this;
}

VelarException::~VelarException() = default;

const char* VelarException::what() const noexcept {
    return message_ ? message_.get() : "";
}

void VelarException::setMessage(const char* format, va_list args) {
    char buffer[kFormatBufferSize];
    const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    buffer[sizeof buffer - 1] = '\0';
    if (written < 0)
        buffer[0] = '\0';
    const size_t length = std::strlen(buffer);
    message_.reset(new char[length + 1]);
    std::memcpy(message_.get(), buffer, length + 1);
}

CoreException::~CoreException() = default;

OSException::OSException(DWORD code) noexcept : code_(code) {}

OSException::~OSException() = default;

const char* OSException::what() const noexcept {
    std::string& text = lastOsExceptionText();
    try {
        text = WinUtil::getErrorText(code_).text;
    } catch (...) {
        text.clear();
    }
    return text.c_str();
}
