#include "VolumeNames.h"

#include <algorithm>

bool isDrivePath(const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

std::wstring onMountName(const std::wstring& path, const std::wstring& mountName) {
    const std::size_t close = path.find(L'}');
    if (path.compare(0, 7, L"Volume{") != 0 || close == std::wstring::npos ||
        (close + 1 < path.size() && path[close + 1] != L'\\') || !isDrivePath(mountName))
        return path;
    // The whole folder: a volume mounted only at "C:\mnt\v\" is not the drive "C:".
    std::wstring mount = mountName;
    while (!mount.empty() && mount.back() == L'\\')
        mount.pop_back();
    const std::wstring rest = path.substr(close + 1);
    return mount + (rest.empty() ? L"\\" : rest);
}

namespace {

bool sameLetters(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const wchar_t x = a[i] >= L'a' && a[i] <= L'z' ? static_cast<wchar_t>(a[i] - 0x20) : a[i];
        const wchar_t y = b[i] >= L'a' && b[i] <= L'z' ? static_cast<wchar_t>(b[i] - 0x20) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

std::wstring onDosDevice(const std::wstring& path, const std::vector<DosDevice>& devices) {
    const std::wstring prefix = L"\\Device\\";
    if (path.size() <= prefix.size() || !sameLetters(path.substr(0, prefix.size()), prefix))
        return path;
    const std::size_t end = std::min(path.find(L'\\', prefix.size()), path.size());
    const std::wstring device = path.substr(0, end), rest = path.substr(end);
    for (const DosDevice& each : devices) {
        if (each.drive.size() == 2 && isDrivePath(each.drive + L"\\") &&
            sameLetters(each.device, device))
            return each.drive + (rest.empty() ? L"\\" : rest);
    }
    return path;
}
