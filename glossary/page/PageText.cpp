#include "page/PageText.h"

#include "page/HtmlToRtf.h"

#include <algorithm>

std::u16string copiedText(std::u16string_view text, const std::vector<long>& lineBreaks,
                          const std::vector<long>& rules, long first, long last) {
    const auto end = static_cast<std::size_t>(std::clamp(last, 0L, static_cast<long>(text.size())));
    auto at = static_cast<std::size_t>(std::clamp(first, 0L, static_cast<long>(end)));
    auto lineBreak = std::lower_bound(lineBreaks.begin(), lineBreaks.end(), static_cast<long>(at));
    // The first rule that may hold `at` or follow it.
    auto rule =
        std::lower_bound(rules.begin(), rules.end(), static_cast<long>(at) - kRuleLength + 1);
    std::u16string copied;
    copied.reserve(end - at + end / 16);
    for (; at < end; ++at) {
        const auto here = static_cast<long>(at);
        while (rule != rules.end() && *rule + kRuleLength <= here)
            ++rule;
        if (rule != rules.end() && *rule <= here)
            continue;
        const char16_t c = text[at];
        const bool breaks = lineBreak != lineBreaks.end() && *lineBreak == here;
        if (breaks)
            ++lineBreak;
        if (breaks || c == u'\r' || c == u'\v' || c == u'\n')
            copied += u"\r\n";
        else
            copied += c;
    }
    return copied;
}
