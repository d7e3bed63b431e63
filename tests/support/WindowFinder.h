#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// Waits up to timeoutMs for a visible top-level window of the process with this caption.
HWND waitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs);

std::string windowText(HWND window);

// Waits up to timeoutMs for the process to end; false if it is still running.
bool waitForExit(HANDLE process, DWORD timeoutMs, DWORD& exitCode);

} // namespace testsupport
