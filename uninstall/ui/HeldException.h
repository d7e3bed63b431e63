#pragma once

// An exception must not unwind through the system's frames that lie between a window or dialog
// procedure and its message loop: the 32-bit runtime's unwinder cannot cross them. Procedures
// hold it here instead, their dialog or loop ends, and it is thrown again where only our own
// frames are left. One slot per thread, since the worker runs a dialog of its own.

// Inside a catch block: keeps the exception being handled, unless one is already held.
void holdCurrentException();

bool exceptionHeld();

// Throws the held exception, if any, and empties the slot.
void rethrowHeldException();
