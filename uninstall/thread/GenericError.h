#pragma once

namespace thread {

// The threads library's own error: a fixed class name and a fixed message, both static texts
// that copies share and nobody frees. Derived types are thrown by value.
class GenericError {
public:
    GenericError(const char* errorClass, const char* errorMessage)
        : className(errorClass), message(errorMessage) {}

    const char* className;
    const char* message;
};

} // namespace thread
