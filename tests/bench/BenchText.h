#pragma once

#include <random>
#include <string>

// The definitions of the database benchmarks: mostly short, one in fifty over 4 KB, so that
// long values are stored apart from their rows.
inline std::u16string benchDefinition(std::mt19937& random) {
    static const std::u16string words[] = {
        u"data ", u"memory ", u"<b>process</b> ", u"network ", u"the ", u"a ",
        u"file ", u"system ", u"\u00e9t\u00e9 ",  u"thread ",  u"of ",  u"and "};
    const std::size_t length = random() % 50 == 0 ? 4500 + random() % 3000 : 50 + random() % 260;
    std::u16string text;
    while (text.size() < length)
        text += words[random() % 12];
    return text;
}

// Term i of the benchmarks' dictionaries: not in alphabetical order.
inline std::u16string benchTerm(int i) {
    const std::string number = std::to_string(i);
    return u"Term " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
           std::u16string(number.begin(), number.end());
}
