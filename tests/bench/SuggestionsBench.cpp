// The terms offered when a search finds nothing, over 100,000 and 1,000,000 terms: a text one
// edit from many terms, and one near none (the neighbours in sorted order).
#include "BenchText.h"
#include "Glossary.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main() {
    using Clock = std::chrono::steady_clock;
    for (const int count : {100000, 1000000}) {
        std::vector<std::u16string> terms;
        terms.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            terms.push_back(benchTerm(i));
        const Glossary glossary(terms, std::vector<std::optional<std::u16string>>(terms.size()));
        glossary.awaitIndex();
        std::printf("suggestions over %d terms\n", count);
        for (const char16_t* text : {u"term q12345x", u"zebra crossing"}) {
            std::vector<double> times;
            std::size_t offered = 0;
            for (int run = 0; run < 7; ++run) {
                const auto start = Clock::now();
                offered = glossary.suggestions(text).size();
                times.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
            std::sort(times.begin(), times.end());
            const std::string shown(text, text + std::char_traits<char16_t>::length(text));
            std::printf("  \"%s\": %zu offered, median %.1f ms, worst %.1f ms\n", shown.c_str(),
                        offered, times[times.size() / 2], times.back());
        }
    }
    return 0;
}
