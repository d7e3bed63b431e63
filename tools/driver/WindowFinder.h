#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// Waits up to timeoutMs for a visible top-level window of the process with this caption.
HWND waitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs);

// A dialog (or message box) with this caption, shown by a program whose file lies under
// `directory`. Tests share one desktop, so a caption alone could find another test's box.
HWND findDialogOfProgramIn(const std::string& directory, const std::string& caption);

// The captions (or, without one, the class names) of the visible top-level windows of programs
// whose files lie under `directory`.
std::vector<std::string> visibleWindowsOfProgramsIn(const std::string& directory);

std::string windowText(HWND window);

} // namespace driver
