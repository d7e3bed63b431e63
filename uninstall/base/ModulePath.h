#pragma once

#include <windows.h>

#include <string>

// Full path of a loaded module (null: the running program), however long it is.
std::string modulePath(HMODULE module = nullptr);
