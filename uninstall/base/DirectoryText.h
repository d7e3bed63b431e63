#pragma once

#include <string>

// The text up to and including its last backslash; a text without one is kept whole.
// This is how a program path becomes its directory, and how "C:\App\ " loses the blank.
std::string cutAfterLastBackslash(const std::string& text);
