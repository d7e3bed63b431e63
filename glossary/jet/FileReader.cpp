// The one platform-specific file of the reader: everything else works on bytes.
#include "FileReader.h"

#include "JetError.h"

#ifdef _WIN32
#include "win32/Handles.h"

#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace jet {

#ifdef _WIN32

struct FileReader::Handle {
    win32::Handle file;
};

namespace {

std::wstring widened(const std::string& utf8) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                            length);
    return wide;
}

} // namespace

FileReader::FileReader(const std::string& path) : handle_(std::make_unique<Handle>()) {
    handle_->file.reset(CreateFileW(widened(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr));
    if (!handle_->file)
        throw JetError("cannot open " + path + " (error " + std::to_string(GetLastError()) + ")");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_->file.get(), &size))
        throw JetError("cannot read the size of " + path);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

void FileReader::read(std::uint64_t offset, std::uint8_t* into, std::size_t length) const {
    while (length > 0) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD wanted = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
        DWORD got = 0;
        if (!ReadFile(handle_->file.get(), into, wanted, &got, &at) || got == 0)
            throw JetError("cannot read " + std::to_string(length) + " bytes at offset " +
                           std::to_string(offset));
        offset += got;
        into += got;
        length -= got;
    }
}

#else

struct FileReader::Handle {
    int descriptor = -1;
    ~Handle() {
        if (descriptor >= 0)
            close(descriptor);
    }
};

FileReader::FileReader(const std::string& path) : handle_(std::make_unique<Handle>()) {
    handle_->descriptor = open(path.c_str(), O_RDONLY);
    if (handle_->descriptor < 0)
        throw JetError("cannot open " + path);
    struct stat status;
    if (fstat(handle_->descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        throw JetError("cannot read " + path);
    size_ = static_cast<std::uint64_t>(status.st_size);
}

void FileReader::read(std::uint64_t offset, std::uint8_t* into, std::size_t length) const {
    while (length > 0) {
        const ssize_t got = pread(handle_->descriptor, into, length, static_cast<off_t>(offset));
        if (got <= 0)
            throw JetError("cannot read " + std::to_string(length) + " bytes at offset " +
                           std::to_string(offset));
        offset += static_cast<std::uint64_t>(got);
        into += got;
        length -= static_cast<std::size_t>(got);
    }
}

#endif

FileReader::~FileReader() = default;

} // namespace jet
