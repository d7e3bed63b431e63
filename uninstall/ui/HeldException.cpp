#include "HeldException.h"

#include <exception>

namespace {

thread_local std::exception_ptr held;

} // namespace

void holdCurrentException() {
    // The first failure is the one to report; what follows is its consequence.
    if (!held)
        held = std::current_exception();
}

bool exceptionHeld() {
    return static_cast<bool>(held);
}

void rethrowHeldException() {
    if (held) {
        const std::exception_ptr failure = held;
        held = nullptr;
        std::rethrow_exception(failure);
    }
}
