#include "Version.h"

#include <vector>

namespace {

// The numbers of a version; empty when the text is none.
std::vector<unsigned long> numbers(const std::wstring& text) {
    std::vector<unsigned long> parts(1, 0);
    std::size_t digits = 0;
    for (const wchar_t c : text) {
        if (c == L'.') {
            if (digits == 0)
                return {};
            parts.push_back(0);
            digits = 0;
        } else if (c >= L'0' && c <= L'9' && digits < 9) {
            parts.back() = parts.back() * 10 + static_cast<unsigned long>(c - L'0');
            ++digits;
        } else {
            return {};
        }
    }
    return digits == 0 ? std::vector<unsigned long>() : parts;
}

} // namespace

bool isVersion(const std::wstring& text) {
    return !numbers(text).empty();
}

int compareVersions(const std::wstring& a, const std::wstring& b) {
    const std::vector<unsigned long> left = numbers(a), right = numbers(b);
    for (std::size_t i = 0; i < left.size() || i < right.size(); ++i) {
        const unsigned long x = i < left.size() ? left[i] : 0;
        const unsigned long y = i < right.size() ? right[i] : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}
