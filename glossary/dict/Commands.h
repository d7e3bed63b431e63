#pragma once

#include <optional>
#include <string>
#include <string_view>

// The commands the glossary sends a DICT server, each a line ended by CR LF.
namespace dict {

// A command line may hold 1024 bytes, its end included.
inline constexpr std::size_t kMaxCommand = 1024;

// Every database's definitions are asked with "*", the first that has any with "!".
// Nothing when the line cannot be sent: a line break or NUL in it, or too long a word.
std::optional<std::string> defineCommand(std::string_view database, std::string_view word);
std::optional<std::string> matchCommand(std::string_view database, std::string_view strategy,
                                        std::string_view word);

std::string showDatabasesCommand();
std::string clientCommand(std::string_view name);
std::string quitCommand();

} // namespace dict
