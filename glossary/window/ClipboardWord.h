#pragma once

#include <windows.h>

#include <string>

// The word the reader copied in any program: the clipboard's text trimmed as copiedWord trims
// it; empty for none, an image or a passage. False when the clipboard cannot be opened yet
// (its writer still holds it): asked again, a while later, it answers.
bool readCopiedWord(HWND owner, std::u16string& word);
