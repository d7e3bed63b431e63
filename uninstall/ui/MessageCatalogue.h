#pragma once

#include <string>

// The text of message `id` from [COMMON] of the setup log that the application window's model
// holds (escapes replaced; empty when missing). The result lives in one shared buffer that the
// next lookup overwrites: copy it to keep it.
const std::string& messageText(int id);
const char* messageChars(int id);

// Texts the program added after the first logs were written: the log's own text when it has
// one (a translated product supplies it), else `english`, today's text. A copy.
std::string messageTextOr(int id, const char* english);

// Their numbers, which setup writes into [COMMON] with the other texts.
constexpr int kTextAtRestart =
    1404; // after a problem line: "(in use: it goes at the next restart)"
constexpr int kTextRestartCompletes =
    1205; // status of dialog 146: "Restart the computer to complete the removal."
