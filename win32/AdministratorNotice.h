#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// What an unattended run refused or recovered, told where whoever started it looks when there
// is no report: the system's Application event log, and standard error when the tool that
// started the run attached one (a console, a pipe or a file). The event source need not be
// registered: the log then shows the text with a note that the source has no message file.
enum class NoticeKind : WORD {
    Refusal = EVENTLOG_ERROR_TYPE,
    Recovery = EVENTLOG_WARNING_TYPE,
    Outcome = EVENTLOG_INFORMATION_TYPE, // how a run ended, such as a restart it needs
};

inline void toEventLog(const wchar_t* source, NoticeKind kind, const std::wstring& text) {
    const HANDLE log = RegisterEventSourceW(nullptr, source);
    if (log == nullptr)
        return;
    const wchar_t* strings[] = {text.c_str()};
    // The event id tells a tool's filter the kind apart: 1 a refusal, 2 a recovery, 3 an outcome.
    const DWORD id = kind == NoticeKind::Refusal ? 1 : kind == NoticeKind::Recovery ? 2 : 3;
    ReportEventW(log, static_cast<WORD>(kind), 0, id, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(log);
}

// A console gets the text as text; a pipe or file, which a tool reads as bytes, gets UTF-8.
inline void toStandardError(const std::wstring& text) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    const std::wstring line = text + L"\r\n";
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(error, &mode)) {
        WriteConsoleW(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], length,
                        nullptr, nullptr);
    WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

inline void tellAdministrators(const wchar_t* source, NoticeKind kind, const std::wstring& text) {
    toEventLog(source, kind, text);
    toStandardError(text);
}

} // namespace win32
