#include "VerifiedCopy.h"

namespace {

constexpr LONGLONG kLargestProgram = 64 << 20;

bool readWhole(HANDLE file, std::string& bytes) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kLargestProgram)
        return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD done = 0;
    for (std::size_t at = 0; at < bytes.size(); at += done) {
        if (!ReadFile(file, &bytes[at], static_cast<DWORD>(bytes.size() - at), &done, nullptr) ||
            done == 0)
            return false;
    }
    return true;
}

} // namespace

win32::Handle openIfIdentical(const std::string& program, const std::string& copy) {
    const win32::Handle original(CreateFileA(program.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    win32::Handle copied(CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    std::string expected, actual;
    if (!original || !copied || !readWhole(original.get(), expected) ||
        !readWhole(copied.get(), actual) || expected != actual)
        return win32::Handle();
    return copied;
}
