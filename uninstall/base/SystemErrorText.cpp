#include "SystemErrorText.h"

#include "ErrorAdvice.h"

std::string systemErrorText(DWORD error) {
    // Where a person can act (a file in use, a full disk), plain words and what to do.
    const std::string advice = errorAdvice(error, "the program that uses it");
    if (!advice.empty())
        return advice + " (" + std::to_string(error) + ")";
    char buffer[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    for (char& c : text)
        c = c == '\r' || c == '\n' ? ' ' : c;
    return (text.empty() ? std::string("error") : text) + " (" + std::to_string(error) + ")";
}

namespace {

std::wstring toWide(UINT codePage, const std::string& text) {
    const int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
    const int wideLength = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), wideLength, text.data(), length, nullptr,
                            nullptr);
    return text;
}

} // namespace

std::wstring ansiToWide(const std::string& text) {
    return toWide(CP_ACP, text);
}

std::string ansiToUtf8(const std::string& text) {
    return text.empty() ? text : fromWide(CP_UTF8, ansiToWide(text));
}

std::wstring utf8ToWide(const std::string& text) {
    return toWide(CP_UTF8, text);
}

std::string wideToUtf8(const std::wstring& text) {
    return fromWide(CP_UTF8, text);
}

std::string wideToAnsi(const std::wstring& text) {
    return fromWide(CP_ACP, text);
}
