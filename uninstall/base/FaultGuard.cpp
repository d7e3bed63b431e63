#include "FaultGuard.h"

#include <windows.h>

#include <cstdint>

namespace {

// The state of the one guarded call; only the guarded thread touches it. Volatile because the
// filter reads it from inside the exception dispatcher, which the compiler cannot see: a store
// before the foreign call must not be dropped as dead.
void* jumpBuffer[5];
volatile DWORD guardedThread = 0;
volatile std::uintptr_t guardStack = 0;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

#ifndef _WIN64
// On x86, code built with frame-based handlers links a record per guarded frame into a chain
// that starts in the thread's information block. A call abandoned by the jump back leaves the
// server's records in that chain, pointing into stack that we are about to use again; the
// next exception would then walk through garbage. So the chain is put back as it was before
// the call. x64 keeps its handlers in tables beside the code, not on the stack: nothing to do.
void* volatile savedChain = nullptr;

// The chain's head is the first word of the thread's information block, at fs:0.
void* exceptionChain() {
    void* head;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void setExceptionChain(void* head) {
    __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}
#endif

// Reached with a fresh stack pointer below the guard's frame, outside the exception
// dispatcher, so the jump back to the guard unwinds nothing of the system's.
[[noreturn]] void landing() {
    __builtin_longjmp(jumpBuffer, 1);
}

// Below the guard's own frame; all that lies further down belongs to the abandoned call.
constexpr std::uintptr_t kLandingGap = 1024;

LONG WINAPI unhandled(EXCEPTION_POINTERS* exception) {
    if (guardedThread != GetCurrentThreadId())
        return previousFilter != nullptr ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
    guardedThread = 0;
    const std::uintptr_t stack = ((guardStack - kLandingGap) & ~std::uintptr_t(15)) - sizeof(void*);
#ifdef _WIN64
    exception->ContextRecord->Rsp = stack;
    exception->ContextRecord->Rip = reinterpret_cast<DWORD64>(&landing);
#else
    exception->ContextRecord->Esp = static_cast<DWORD>(stack);
    exception->ContextRecord->Eip = reinterpret_cast<DWORD>(&landing);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// C++ exceptions of our own compiler's kind are caught the usual way: for them, an uncaught
// throw ends in terminate, not in the unhandled-exception filter.
__attribute__((noinline)) bool callCatching(void (*function)(void*), void* context) {
    try {
        function(context);
    } catch (...) {
        return false;
    }
    return true;
}

__attribute__((noinline)) bool run(void (*function)(void*), void* context) {
    volatile char marker = 0;
    guardStack = reinterpret_cast<std::uintptr_t>(&marker);
#ifndef _WIN64
    savedChain = exceptionChain();
#endif
    if (__builtin_setjmp(jumpBuffer) != 0) {
#ifndef _WIN64
        setExceptionChain(savedChain);
#endif
        return false;
    }
    guardedThread = GetCurrentThreadId();
    const bool completed = callCatching(function, context);
    guardedThread = 0;
    return completed;
}

} // namespace

bool callGuarded(void (*function)(void* context), void* context) {
    previousFilter = SetUnhandledExceptionFilter(unhandled);
    const bool completed = run(function, context);
    SetUnhandledExceptionFilter(previousFilter);
    return completed;
}
