#pragma once

#include <windows.h>

#include <string>

// A shell link at `link` to `target`, started in `directory`. COM must be initialised.
HRESULT createShortcut(const std::wstring& link, const std::wstring& target,
                       const std::wstring& directory, const std::wstring& description);
