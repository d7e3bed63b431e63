#pragma once

#include "win32/Handles.h"

#include <string>

// The copy, opened so that no one can write, rename or delete it while the handle is held,
// when it holds exactly the bytes of the program; otherwise an empty handle. The relay starts
// the copy while it holds this handle, so what runs is what was checked.
win32::Handle openIfIdentical(const std::string& program, const std::string& copy);
