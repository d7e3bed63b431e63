#include "SetAside.h"

#include "win32/Handles.h"

#include <windows.h>

#include <algorithm>
#include <vector>

std::wstring asideName(const std::wstring& path) {
    return path + L".previous";
}

void deleteAside(const std::wstring& path) {
    const auto open = [&](DWORD access) {
        return win32::Handle(
            CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    };
    {
        win32::Handle file = open(DELETE);
        const bool deletable = file.valid();
        // Held by a program that shares no deletion: the attribute still goes before the restart.
        if (!deletable)
            file = open(0);
        FILE_BASIC_INFO basic = {};
        if (!file.valid() ||
            !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic))
            return;
        // Not the file set aside: left as it is.
        if ((basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
            return;
        if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            if (basic.FileAttributes == 0)
                basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
            SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
        }
        FILE_DISPOSITION_INFO disposition = {TRUE};
        if (deletable && SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                                    sizeof disposition))
            return;
    }
    // A replaced program that still runs cannot be deleted yet: it goes at the next restart.
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool sameContent(const std::wstring& one, const std::wstring& other) {
    const auto open = [](const std::wstring& path) {
        return win32::Handle(CreateFileW(
            path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    };
    const win32::Handle first = open(one), second = open(other);
    LARGE_INTEGER firstSize = {}, secondSize = {};
    if (!first.valid() || !second.valid() || !GetFileSizeEx(first.get(), &firstSize) ||
        !GetFileSizeEx(second.get(), &secondSize) || firstSize.QuadPart != secondSize.QuadPart)
        return false;
    std::vector<char> a(64 * 1024), b(64 * 1024);
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (!ReadFile(first.get(), a.data(), static_cast<DWORD>(a.size()), &gotA, nullptr) ||
            !ReadFile(second.get(), b.data(), static_cast<DWORD>(b.size()), &gotB, nullptr) ||
            gotA != gotB)
            return false;
        if (gotA == 0)
            return true;
        if (!std::equal(a.begin(), a.begin() + gotA, b.begin()))
            return false;
    }
}

void moveOutOfTheWay(const std::wstring& path, const std::wstring& folder) {
    const std::size_t slash = path.rfind(L'\\');
    const std::wstring base =
        folder.empty() || slash == std::wstring::npos ? path : folder + path.substr(slash);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring away = base + L".undone" + std::to_wstring(attempt);
        if (MoveFileExW(path.c_str(), away.c_str(), MOVEFILE_WRITE_THROUGH)) {
            MoveFileExW(away.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return;
    }
}
