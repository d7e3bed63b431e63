#pragma once

#include <windows.h>

#include <string>

// A system error in setup's messages: in plain words with what to do where a person can act (a
// file in use, a full disk), else the system's text and its number. `error` is read at the
// failing call, before anything else can overwrite it.
std::wstring systemError(DWORD error);
