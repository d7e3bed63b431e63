#pragma once

// Calls a function of foreign code and survives whatever it raises: processor faults and
// exceptions that the foreign code leaves unhandled. Returns false when the call did not come
// back normally.
//
// Only exceptions that no frame of the callee handles are caught: C++ exceptions of this
// compiler's kind by a catch-all, everything else (faults, other compilers' exceptions)
// through the process's unhandled-exception filter. Code that raises and handles its own
// exceptions runs undisturbed. One guarded call at a time per process.
bool callGuarded(void (*function)(void* context), void* context);
