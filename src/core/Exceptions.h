#pragma once

#include <windows.h>

#include <cstdarg>
#include <exception>
#include <memory>

// Exceptions of the core library. They never leave the library's reading entry
// points, which catch them and fall back to defaults.

class VelarException : public std::exception {
public:
    explicit VelarException(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 2, 3)));
    VelarException(const VelarException& other);
    VelarException& operator=(const VelarException& other);
    ~VelarException() override;

    const char* what() const noexcept override;

protected:
    VelarException() noexcept = default;
    void setMessage(const char* format, va_list args);

private:
    std::unique_ptr<char[]> message_; // null when the exception carries no text
};

// Common base of operating-system failures; never thrown by itself.
class CoreException : public VelarException {
public:
    ~CoreException() override;

protected:
    CoreException() noexcept = default;
};

// A failed Win32 call, identified by its error code alone.
class OSException : public CoreException {
public:
    explicit OSException(DWORD code) noexcept;
    ~OSException() override;

    DWORD code() const noexcept { return code_; }

    // The system text of the code. The pointer stays valid until the next call of
    // what() on any OSException.
    const char* what() const noexcept override;

private:
    DWORD code_;
};
