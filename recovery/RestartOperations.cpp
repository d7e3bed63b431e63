#include "RestartOperations.h"

#include "JournalReport.h"
#include "LongPath.h"
#include "PendingOperations.h"
#include "win32/Handles.h"

#include <windows.h>

#include <functional>

namespace {

// As the file system compares names: the one long name of what the path reaches, in the
// system's capitals, in every script. An earlier removal may have named the file in 8.3 form.
void asTheSystemNamesIt(std::wstring& text) {
    text = longPathOf(text);
    const int length = static_cast<int>(text.size());
    std::wstring upper(text.size(), L'\0');
    if (length > 0 && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), length,
                                   &upper[0], length) == length)
        text = upper;
    else
        foldLatinCase(text);
}

bool isOwn(const PendingOperation& operation, const std::vector<std::wstring>& own) {
    for (const std::wstring& source : own) {
        if (touches({source, L""}, operation.source, asTheSystemNamesIt))
            return true;
    }
    return false;
}

// Takes out of both values the operations that `goes` picks, each told in `report`.
bool takeOut(const std::function<bool(const PendingOperation&)>& goes, JournalReport* report) {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, key.receive()) != ERROR_SUCCESS)
        return false;
    for (const wchar_t* name : {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"}) {
        DWORD type = 0, size = 0;
        const LONG found = RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size);
        if (found == ERROR_FILE_NOT_FOUND)
            continue;
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        if (found != ERROR_SUCCESS || type != REG_MULTI_SZ ||
            RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]),
                             &size) != ERROR_SUCCESS)
            return false;
        value.resize(size / sizeof(wchar_t));
        const std::vector<PendingOperation> operations = pendingOperationsOf(value);
        std::vector<PendingOperation> kept;
        for (const PendingOperation& operation : operations) {
            if (!goes(operation)) {
                kept.push_back(operation);
                continue;
            }
            if (report != nullptr)
                report->note("Restart operations",
                             operation.source +
                                 (operation.target.empty() ? L"" : L" to " + operation.target),
                             "taken out: it would delete or replace what is installed");
        }
        if (kept.size() == operations.size())
            continue;
        const std::wstring rest = pendingValueOf(kept);
        const LONG written =
            kept.empty() ? RegDeleteValueW(key.get(), name)
                         : RegSetValueExW(key.get(), name, 0, REG_MULTI_SZ,
                                          reinterpret_cast<const BYTE*>(rest.data()),
                                          static_cast<DWORD>(rest.size() * sizeof(wchar_t)));
        if (written != ERROR_SUCCESS)
            return false;
    }
    return true;
}

} // namespace

bool takeOutRestartOperations(const std::vector<std::wstring>& installed,
                              const std::vector<std::wstring>& own, JournalReport* report) {
    return takeOut(
        [&](const PendingOperation& operation) {
            return !isOwn(operation, own) &&
                   withoutThoseTouching({operation}, installed, asTheSystemNamesIt).empty();
        },
        report);
}

void takeOutOwnRestartOperations(const std::vector<std::wstring>& own) {
    takeOut([&](const PendingOperation& operation) { return isOwn(operation, own); }, nullptr);
}
