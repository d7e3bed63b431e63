#pragma once

#include <string>

// Base of the uninstaller's errors. Handlers switch on `kind`; all are thrown by value.
class AppException {
public:
    virtual ~AppException() = default;

    int kind;

protected:
    explicit AppException(int errorKind) : kind(errorKind) {}
};

// A failed system call: the error code taken at the failure and a constant text naming it.
class WinException : public AppException {
public:
    static constexpr int kKind = 0;
    WinException(unsigned long errorCode, const char* failedOperation)
        : AppException(kKind), code(errorCode), text(failedOperation) {}

    unsigned long code;
    const char* text;
};

class FileException : public AppException {
public:
    static constexpr int kKind = 1;
    // Reason used when a file cannot be opened for reading.
    static constexpr int kCannotOpen = 2;
    FileException(std::string name, int why)
        : AppException(kKind), fileName(std::move(name)), reason(why) {}

    std::string fileName;
    int reason;
};

class ModelException : public AppException {
public:
    static constexpr int kKind = 3;
    ModelException(std::string message, int errorCode)
        : AppException(kKind), text(std::move(message)), code(errorCode) {}

    std::string text;
    int code;
};
