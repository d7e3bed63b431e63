#include "PendingOperations.h"

namespace {

// The path an entry names: without the "!" of a replacement and the "\??\" of the system.
std::wstring pathOf(std::wstring entry) {
    if (!entry.empty() && entry[0] == L'!')
        entry.erase(0, 1);
    if (entry.compare(0, 4, L"\\??\\") == 0)
        entry.erase(0, 4);
    while (entry.size() > 3 && entry.back() == L'\\')
        entry.pop_back();
    // As the file system compares: without case (the letters of ASCII and Latin-1 here).
    for (wchar_t& c : entry) {
        if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<wchar_t>(c - 0x20);
    }
    return entry;
}

// `entry` is `path` or a folder above it.
bool namesOrHolds(const std::wstring& entry, const std::wstring& path) {
    const std::wstring named = pathOf(entry), wanted = pathOf(path);
    if (named.empty() || wanted.compare(0, named.size(), named) != 0)
        return false;
    return wanted.size() == named.size() || wanted[named.size()] == L'\\' || named.back() == L'\\';
}

} // namespace

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

bool touches(const PendingOperation& operation, const std::wstring& path) {
    return namesOrHolds(operation.source, path) ||
           (!operation.target.empty() && namesOrHolds(operation.target, path));
}

std::vector<PendingOperation> withoutThoseTouching(const std::vector<PendingOperation>& operations,
                                                   const std::vector<std::wstring>& paths) {
    std::vector<PendingOperation> kept;
    for (const PendingOperation& operation : operations) {
        bool touching = false;
        for (const std::wstring& path : paths)
            touching = touching || touches(operation, path);
        if (!touching)
            kept.push_back(operation);
    }
    return kept;
}
