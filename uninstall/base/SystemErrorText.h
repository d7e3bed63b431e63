#pragma once

#include <windows.h>

#include <string>

// The system's own text for an error code, on one line, ending with the code itself:
// "Access is denied. (5)"; for a file in use or a full disk, plain words and what to do.
std::string systemErrorText(DWORD error);

// ANSI text (the program's own code page) as UTF-16, for the system's wide functions.
std::wstring ansiToWide(const std::string& text);

// UTF-16 text in the program's own code page, as the setup log and the report hold paths.
std::string wideToAnsi(const std::wstring& text);

// ANSI text (the program's own code page) as UTF-8.
std::string ansiToUtf8(const std::string& text);
