#include "HtmlEntities.h"

#include <algorithm>
#include <cstring>

namespace {

struct Entity {
    const char* name;
    char32_t code;
};

// Sorted by name for the binary search below; kept in its columns by hand.
// clang-format off
constexpr Entity kEntities[] = {
    {"AElig", 0xC6},   {"Aacute", 0xC1},  {"Acirc", 0xC2},   {"Agrave", 0xC0},  {"Alpha", 0x391},
    {"Aring", 0xC5},   {"Atilde", 0xC3},  {"Auml", 0xC4},    {"Beta", 0x392},   {"Ccedil", 0xC7},
    {"Delta", 0x394},  {"ETH", 0xD0},     {"Eacute", 0xC9},  {"Ecirc", 0xCA},   {"Egrave", 0xC8},
    {"Euml", 0xCB},    {"Gamma", 0x393},  {"Iacute", 0xCD},  {"Icirc", 0xCE},   {"Igrave", 0xCC},
    {"Iuml", 0xCF},    {"Lambda", 0x39B}, {"Ntilde", 0xD1},  {"Oacute", 0xD3},  {"Ocirc", 0xD4},
    {"Ograve", 0xD2},  {"Omega", 0x3A9},  {"Oslash", 0xD8},  {"Otilde", 0xD5},  {"Ouml", 0xD6},
    {"Phi", 0x3A6},    {"Pi", 0x3A0},     {"Psi", 0x3A8},    {"Sigma", 0x3A3},  {"THORN", 0xDE},
    {"Theta", 0x398},  {"Uacute", 0xDA},  {"Ucirc", 0xDB},   {"Ugrave", 0xD9},  {"Uuml", 0xDC},
    {"Yacute", 0xDD},  {"aacute", 0xE1},  {"acirc", 0xE2},   {"acute", 0xB4},   {"aelig", 0xE6},
    {"agrave", 0xE0},  {"alpha", 0x3B1},  {"amp", 0x26},     {"apos", 0x27},    {"aring", 0xE5},
    {"atilde", 0xE3},  {"auml", 0xE4},    {"beta", 0x3B2},   {"brvbar", 0xA6},  {"bull", 0x2022},
    {"ccedil", 0xE7},  {"cedil", 0xB8},   {"cent", 0xA2},    {"copy", 0xA9},    {"curren", 0xA4},
    {"dagger", 0x2020}, {"darr", 0x2193}, {"deg", 0xB0},     {"delta", 0x3B4},  {"divide", 0xF7},
    {"eacute", 0xE9},  {"ecirc", 0xEA},   {"egrave", 0xE8},  {"epsilon", 0x3B5}, {"eth", 0xF0},
    {"euml", 0xEB},    {"euro", 0x20AC},  {"frac12", 0xBD},  {"frac14", 0xBC},  {"frac34", 0xBE},
    {"gamma", 0x3B3},  {"ge", 0x2265},    {"gt", 0x3E},      {"harr", 0x2194},  {"hellip", 0x2026},
    {"iacute", 0xED},  {"icirc", 0xEE},   {"iexcl", 0xA1},   {"igrave", 0xEC},  {"infin", 0x221E},
    {"iquest", 0xBF},  {"iuml", 0xEF},    {"lambda", 0x3BB}, {"laquo", 0xAB},   {"larr", 0x2190},
    {"ldquo", 0x201C}, {"le", 0x2264},    {"lsaquo", 0x2039}, {"lsquo", 0x2018}, {"lt", 0x3C},
    {"macr", 0xAF},    {"mdash", 0x2014}, {"micro", 0xB5},   {"middot", 0xB7},  {"minus", 0x2212},
    {"mu", 0x3BC},     {"nbsp", 0xA0},    {"ndash", 0x2013}, {"ne", 0x2260},    {"not", 0xAC},
    {"ntilde", 0xF1},  {"oacute", 0xF3},  {"ocirc", 0xF4},   {"ograve", 0xF2},  {"omega", 0x3C9},
    {"ordf", 0xAA},    {"ordm", 0xBA},    {"oslash", 0xF8},  {"otilde", 0xF5},  {"ouml", 0xF6},
    {"para", 0xB6},    {"phi", 0x3C6},    {"pi", 0x3C0},     {"plusmn", 0xB1},  {"pound", 0xA3},
    {"psi", 0x3C8},    {"quot", 0x22},    {"raquo", 0xBB},   {"rarr", 0x2192},  {"rdquo", 0x201D},
    {"reg", 0xAE},     {"rsaquo", 0x203A}, {"rsquo", 0x2019}, {"sect", 0xA7},   {"shy", 0xAD},
    {"sigma", 0x3C3},  {"sup1", 0xB9},    {"sup2", 0xB2},    {"sup3", 0xB3},    {"szlig", 0xDF},
    {"tau", 0x3C4},    {"theta", 0x3B8},  {"thorn", 0xFE},   {"times", 0xD7},   {"trade", 0x2122},
    {"uacute", 0xFA},  {"uarr", 0x2191},  {"ucirc", 0xFB},   {"ugrave", 0xF9},  {"uml", 0xA8},
    {"uuml", 0xFC},    {"yacute", 0xFD},  {"yen", 0xA5},     {"yuml", 0xFF},
};
// clang-format on

} // namespace

char32_t namedEntity(const std::string& name) {
    const auto* end = std::end(kEntities);
    const auto* found =
        std::lower_bound(std::begin(kEntities), end, name.c_str(),
                         [](const Entity& e, const char* n) { return std::strcmp(e.name, n) < 0; });
    return found != end && name == found->name ? found->code : 0;
}
