#include "Commands.h"

#include "Tokens.h"

namespace dict {

namespace {

std::optional<std::string> line(std::string text) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        return std::nullopt;
    text += "\r\n";
    if (text.size() > kMaxCommand)
        return std::nullopt;
    return text;
}

} // namespace

std::optional<std::string> defineCommand(std::string_view database, std::string_view word) {
    return line("DEFINE " + argument(database) + " " + argument(word));
}

std::optional<std::string> matchCommand(std::string_view database, std::string_view strategy,
                                        std::string_view word) {
    return line("MATCH " + argument(database) + " " + argument(strategy) + " " + argument(word));
}

std::string showDatabasesCommand() {
    return "SHOW DB\r\n";
}

std::string clientCommand(std::string_view name) {
    return line("CLIENT " + argument(name)).value_or("CLIENT glossary\r\n");
}

std::string quitCommand() {
    return "QUIT\r\n";
}

} // namespace dict
