#pragma once

#include "Articles.h"
#include "Reply.h"

#include <functional>
#include <string>
#include <vector>

// A DICT server's definitions as parts of a glossary page: one part for each database, in the
// order the server sent them, its entries read as the dictd import reads local text (the same
// layout rules, braces as links), so that a served dictionary reads as the imported one.
namespace dict {

// `isTerm` tells which braces link (the window may know the server's words, or take all).
std::vector<articles::Part>
definitionParts(const std::vector<Definition>& definitions,
                const std::function<bool(const std::u16string&)>& isTerm);

} // namespace dict
