#pragma once
// Look-ups from another program, as the tests and the bench make them: copies put on the
// clipboard as any program puts them, and the glossary's popup read from outside.
#include <windows.h>

#include <cstddef>
#include <string>

namespace popupdriver {

// Puts `size` bytes of `data` on the clipboard in `format`; null data only empties it.
bool copy(UINT format, const void* data, std::size_t size, DWORD timeoutMs);
bool copyText(const std::wstring& text, DWORD timeoutMs);
// Waits until the thread of `window` has answered the messages sent to it so far.
bool taken(HWND window, DWORD timeoutMs);
// How many clipboard updates the glossary's process `process` has read (its listener's window
// says), or -1 when it has none.
long copiesRead(DWORD process);
// The popup of the glossary's process `process`, shown or not; null when there is none.
HWND popupOf(DWORD process);
// The text of a window of another process, asked with a time-out.
std::wstring textOf(HWND window, DWORD timeoutMs);

} // namespace popupdriver
