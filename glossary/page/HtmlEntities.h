#pragma once

#include <string>

// The character a named HTML entity stands for (name without & and ;), or 0 if unknown.
char32_t namedEntity(const std::string& name);
