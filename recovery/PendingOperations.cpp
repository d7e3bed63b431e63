#include "PendingOperations.h"

namespace {

bool beginsWith(const std::wstring& text, const wchar_t* start) {
    std::wstring head = text.substr(0, std::wstring(start).size());
    foldLatinCase(head);
    return head == start;
}

// `entry` without the prefixes by which the system's object names reach a drive's files:
// "\??\", "\DosDevices\", "\GLOBAL??\" (each perhaps with "Global\" after it) and a program's
// "\\?\" or "\\.\"; "GLOBALROOT" leads back to the root of those names, where a device's own
// name ("\Device\HarddiskVolume3\...") stays for `form` to put on its drive. A share as
// "\\server\share".
std::wstring withoutObjectPrefixes(std::wstring entry) {
    for (;;) {
        bool stripped = false;
        for (const wchar_t* prefix :
             {L"\\??\\", L"\\\\?\\", L"\\\\.\\", L"\\DOSDEVICES\\", L"\\GLOBAL??\\"}) {
            if (beginsWith(entry, prefix)) {
                entry.erase(0, std::wstring(prefix).size());
                stripped = true;
                break;
            }
        }
        if (!stripped)
            return entry;
        while (beginsWith(entry, L"GLOBAL\\"))
            entry.erase(0, 7);
        if (beginsWith(entry, L"GLOBALROOT\\")) {
            entry.erase(0, 10); // its backslash opens the name below the root
            continue;
        }
        if (beginsWith(entry, L"UNC\\"))
            entry.replace(0, 3, L"\\");
        return entry;
    }
}

// The path an entry names, in `form`: without the "!" of a replacement and the system's (or a
// program's) prefixes.
std::wstring pathOf(std::wstring entry, PathForm form) {
    if (!entry.empty() && entry[0] == L'!')
        entry.erase(0, 1);
    entry = withoutObjectPrefixes(entry);
    while (entry.size() > 3 && entry.back() == L'\\')
        entry.pop_back();
    form(entry);
    return entry;
}

// `entry` is `path` or a folder above it.
bool namesOrHolds(const std::wstring& entry, const std::wstring& path, PathForm form) {
    const std::wstring named = pathOf(entry, form), wanted = pathOf(path, form);
    if (named.empty() || wanted.compare(0, named.size(), named) != 0)
        return false;
    return wanted.size() == named.size() || wanted[named.size()] == L'\\' || named.back() == L'\\';
}

} // namespace

void foldLatinCase(std::wstring& text) {
    for (wchar_t& c : text) {
        if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<wchar_t>(c - 0x20);
        else if (c == 0xFF)
            c = 0x178;
    }
}

std::vector<PendingOperation> pendingOperationsOf(const std::wstring& value) {
    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < value.size();) {
        std::size_t end = value.find(L'\0', start);
        if (end == std::wstring::npos)
            end = value.size();
        strings.push_back(value.substr(start, end - start));
        start = end + 1;
    }
    // The list ends at its first empty source: the value's closing empty string.
    std::vector<PendingOperation> operations;
    for (std::size_t i = 0; i < strings.size() && !strings[i].empty(); i += 2)
        operations.push_back({strings[i], i + 1 < strings.size() ? strings[i + 1] : L""});
    return operations;
}

std::wstring pendingValueOf(const std::vector<PendingOperation>& operations) {
    std::wstring value;
    for (const PendingOperation& operation : operations) {
        value += operation.source;
        value += L'\0';
        value += operation.target;
        value += L'\0';
    }
    value += L'\0';
    return value;
}

bool touches(const PendingOperation& operation, const std::wstring& path, PathForm form) {
    return namesOrHolds(operation.source, path, form) ||
           (!operation.target.empty() && namesOrHolds(operation.target, path, form));
}

std::vector<PendingOperation> withoutThoseTouching(const std::vector<PendingOperation>& operations,
                                                   const std::vector<std::wstring>& paths,
                                                   PathForm form) {
    std::vector<PendingOperation> kept;
    for (const PendingOperation& operation : operations) {
        bool touching = false;
        for (const std::wstring& path : paths)
            touching = touching || touches(operation, path, form);
        if (!touching)
            kept.push_back(operation);
    }
    return kept;
}
