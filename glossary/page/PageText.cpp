#include "page/PageText.h"

#include <algorithm>

std::u16string copiedText(std::u16string_view text, const std::vector<long>& lineBreaks, long first,
                          long last) {
    const auto end = static_cast<std::size_t>(std::clamp(last, 0L, static_cast<long>(text.size())));
    auto at = static_cast<std::size_t>(std::clamp(first, 0L, static_cast<long>(end)));
    auto lineBreak = std::lower_bound(lineBreaks.begin(), lineBreaks.end(), static_cast<long>(at));
    std::u16string copied;
    copied.reserve(end - at + end / 16);
    for (; at < end; ++at) {
        const char16_t c = text[at];
        const bool breaks = lineBreak != lineBreaks.end() && *lineBreak == static_cast<long>(at);
        if (breaks)
            ++lineBreak;
        if (breaks || c == u'\r' || c == u'\v' || c == u'\n')
            copied += u"\r\n";
        else
            copied += c;
    }
    return copied;
}
