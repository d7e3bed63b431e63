#include "Tokens.h"

namespace dict {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<std::string> takeToken(std::string_view& rest) {
    std::size_t at = 0;
    while (at < rest.size() && isBlank(rest[at]))
        ++at;
    if (at == rest.size())
        return std::nullopt;
    std::string token;
    const char quote = rest[at];
    if (quote != '"' && quote != '\'') {
        const std::size_t start = at;
        while (at < rest.size() && !isBlank(rest[at]))
            ++at;
        token.assign(rest.substr(start, at - start));
        rest.remove_prefix(at);
        return token;
    }
    for (++at; at < rest.size(); ++at) {
        const char c = rest[at];
        if (c == quote) {
            rest.remove_prefix(at + 1);
            return token;
        }
        if (c == '\\' && at + 1 < rest.size())
            ++at;
        token += rest[at];
    }
    return std::nullopt;
}

std::string argument(std::string_view text) {
    if (!text.empty() && text.find_first_of(" \t\"'\\") == std::string_view::npos)
        return std::string(text);
    std::string line = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            line += '\\';
        line += c;
    }
    return line + '"';
}

} // namespace dict
