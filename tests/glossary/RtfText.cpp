#include "RtfText.h"

#include "jet/TextCodec.h"

#include <cctype>
#include <cstdlib>

std::string rtfText(const std::string& rtf) {
    std::u16string text;
    int depth = 0, skipDepth = -1;
    for (std::size_t i = 0; i < rtf.size();) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            // Font and colour tables are no text.
            if (rtf.compare(i, 9, "{\\fonttbl") == 0 || rtf.compare(i, 10, "{\\colortbl") == 0)
                skipDepth = depth;
            ++i;
        } else if (c == '}') {
            if (depth == skipDepth)
                skipDepth = -1;
            --depth;
            ++i;
        } else if (c == '\\') {
            if (i + 1 < rtf.size() && !std::isalpha(static_cast<unsigned char>(rtf[i + 1]))) {
                if (skipDepth < 0)
                    text += static_cast<char16_t>(rtf[i + 1]);
                i += 2;
                continue;
            }
            std::size_t end = i + 1;
            while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end])))
                ++end;
            const std::string word = rtf.substr(i + 1, end - i - 1);
            std::size_t numberEnd = end;
            while (
                numberEnd < rtf.size() &&
                (rtf[numberEnd] == '-' || std::isdigit(static_cast<unsigned char>(rtf[numberEnd]))))
                ++numberEnd;
            const int number = std::atoi(rtf.substr(end, numberEnd - end).c_str());
            i = numberEnd;
            if (i < rtf.size() && rtf[i] == ' ')
                ++i;
            if (skipDepth >= 0)
                continue;
            if (word == "line" || word == "par")
                text += u'\n';
            else if (word == "tab")
                text += u'\t';
            else if (word == "u") {
                text += static_cast<char16_t>(static_cast<std::uint16_t>(number));
                if (i < rtf.size() && rtf[i] == '?')
                    ++i;
            }
        } else {
            if (skipDepth < 0 && c != '\r' && c != '\n')
                text += static_cast<char16_t>(static_cast<unsigned char>(c));
            ++i;
        }
    }
    return jet::toUtf8(text);
}
