#pragma once

#include <windows.h>

namespace thread {

// The results a wait may report to its caller; anything else is the wait's failure.
inline bool isReportedWaitResult(DWORD result) {
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED || result == WAIT_TIMEOUT;
}

} // namespace thread
