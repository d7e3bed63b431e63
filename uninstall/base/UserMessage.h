#pragma once

#include <windows.h>

// Every message box of the uninstaller goes through here. An unattended run shows none: its
// failures go to the exit code and the report, and the box's answer is IDOK.
int showMessage(const char* text, const char* caption, UINT type);
