// Any text as a glossary page: the converter must end, write pure ASCII RTF whose groups
// balance, and never crash.
#include "page/HtmlToRtf.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string html(size / 2, u'\0');
    for (std::size_t i = 0; i < html.size(); ++i)
        html[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    const std::string rtf = htmlToRtf(html);
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(rtf[i]);
        if (c >= 0x80)
            std::abort();
        if (c == '\\') {
            ++i; // an escaped brace is text
            continue;
        }
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        if (depth < 0)
            std::abort();
    }
    if (depth != 0)
        std::abort();
    return 0;
}
