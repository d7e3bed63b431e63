#pragma once

#include "dicttext/PlainToHtml.h"
#include "win32/WindowText.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <string>

// Text conversions of the glossary window: UTF-8 for the database path, and a control's text.

// A path or the system's sentence on a page.
inline std::u16string escapeHtml(const std::wstring& text) {
    return escapeHtml(std::u16string(text.begin(), text.end()));
}

// The window's caption and the title of its boxes, the page's too.
inline constexpr const wchar_t* kGlossaryName = L"Technical Glossary";

inline std::string utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            length, nullptr, nullptr);
    return bytes;
}

inline std::wstring fromUtf8(const std::string& utf8Text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(),
                                           static_cast<int>(utf8Text.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()),
                            &text[0], length);
    return text;
}

inline std::u16string windowText(HWND window) {
    const std::wstring text = win32::windowText(window);
    return std::u16string(text.begin(), text.end());
}

// A rich edit control's count of its characters: a paragraph's end is one.
inline long richTextLength(HWND control) {
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<long>(
        SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

// A rich edit control's text as it counts its characters.
inline std::u16string richText(HWND control) {
    const long characters = richTextLength(control);
    if (characters <= 0)
        return std::u16string();
    std::u16string text(static_cast<std::size_t>(characters) + 1, u'\0');
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(text.size() * sizeof(char16_t));
    request.flags = GT_DEFAULT;
    request.codepage = 1200;
    const auto copied = SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

// The page as a sentence names it: "the page of “Cache”", or for a page of no term (a page
// of suggestions) "the page shown".
inline std::wstring thePageOf(const std::wstring& term) {
    return term.empty() ? L"the page shown" : L"the page of \u201C" + term + L"\u201D";
}
