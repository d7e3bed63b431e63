#include "DirectoryText.h"

std::string cutAfterLastBackslash(const std::string& text) {
    const std::size_t last = text.rfind('\\');
    return last == std::string::npos ? text : text.substr(0, last + 1);
}
