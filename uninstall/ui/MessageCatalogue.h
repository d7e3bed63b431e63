#pragma once

#include <string>

// The text of message `id` from [COMMON] of the setup log that the application window's model
// holds (escapes replaced; empty when missing). The result lives in one shared buffer that the
// next lookup overwrites: copy it to keep it.
const std::string& messageText(int id);
const char* messageChars(int id);
