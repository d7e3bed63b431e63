#pragma once

#include <optional>
#include <string>
#include <string_view>

// The words of DICT lines: atoms, or strings in double or single quotes in which a backslash
// takes the next character as it is.
namespace dict {

// The token at the start of `rest` (blanks before it skipped), taking it off `rest`; nothing
// when `rest` holds none or a quote is not closed.
std::optional<std::string> takeToken(std::string_view& rest);

// `text` as one argument of a command: as it is when it is an atom, else quoted.
std::string argument(std::string_view text);

} // namespace dict
