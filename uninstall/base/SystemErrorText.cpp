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

std::wstring ansiToWide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    return wide;
}

std::string wideToAnsi(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(),
                            length, nullptr, nullptr);
    return ansi;
}

std::string ansiToUtf8(const std::string& text) {
    if (text.empty())
        return text;
    const std::wstring wide = ansiToWide(text);
    const int wideLength = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}
