#pragma once

#include <windows.h>

#include <string>

// Every message box of the uninstaller goes through here, in UTF-16, so that a path or an
// option in any script shows as typed. An unattended run shows none: its failures go to the
// exit code and the report, and the box's answer is IDOK.
int showMessage(const std::wstring& text, const std::wstring& caption, UINT type);
// A text in the program's ANSI code page (the setup log's, the system's error texts).
int showMessage(const std::string& text, const std::string& caption, UINT type);
