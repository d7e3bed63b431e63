#include "CommaRecord.h"

#include <cstdint>

bool CommaRecord::next(std::string& field) {
    field.clear();
    if (exhausted_)
        return false;
    const std::size_t comma = rest_.find(',');
    field = rest_.substr(0, comma);
    if (comma == std::string_view::npos)
        exhausted_ = true;
    else
        rest_.remove_prefix(comma + 1);
    return true;
}

int atoiField(const std::string& text) {
    std::size_t at = 0;
    // The C runtime's blanks: space and the control characters TAB to CR.
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    std::uint32_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = value * 10 + static_cast<std::uint32_t>(text[at] - '0');
    return static_cast<int>(negative ? 0u - value : value);
}
