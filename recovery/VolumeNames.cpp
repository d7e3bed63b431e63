#include "VolumeNames.h"

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
