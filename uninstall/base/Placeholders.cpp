#include "Placeholders.h"

namespace {

void replaceFirst(std::string& text, const char* placeholder, const std::string& value) {
    const std::size_t at = text.find(placeholder);
    if (at != std::string::npos)
        text.replace(at, 2, value);
}

} // namespace

void fillPlaceholder(std::string& text, const std::string& value) {
    replaceFirst(text, "%1", value);
}

void fillPlaceholders(std::string& text, const std::string& first, const std::string& second) {
    replaceFirst(text, "%1", first);
    replaceFirst(text, "%2", second);
}
