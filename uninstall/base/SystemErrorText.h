#pragma once

#include <windows.h>

#include <string>

// The system's own text for an error code, on one line, ending with the code itself:
// "Access is denied. (5)"; for a file in use or a full disk, plain words and what to do.
std::string systemErrorText(DWORD error);

// ANSI text (the program's own code page) as UTF-16, for the system's wide functions.
std::wstring ansiToWide(const std::string& text);

// ANSI text (the program's own code page) as UTF-8.
std::string ansiToUtf8(const std::string& text);

// Between UTF-16 and UTF-8 (the options, read from the Unicode command line), and UTF-16 as
// ANSI, with '?' for what the code page cannot hold (texts for the ANSI boxes only).
std::wstring utf8ToWide(const std::string& text);
std::string wideToUtf8(const std::wstring& text);
std::string wideToAnsi(const std::wstring& text);
