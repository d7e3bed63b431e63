#include "FileHandle.h"

#include "PathJoin.h"

FileHandle::~FileHandle() {
    close();
}

bool FileHandle::open(const std::string& directory, const std::string& fileName) {
    return open(joinPath(directory, fileName));
}

bool FileHandle::open(const std::string& path) {
    close();
    handle_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return isOpen();
}

bool FileHandle::size(std::uint32_t& bytes) const {
    bytes = 0;
    if (!isOpen())
        return false;
    const DWORD low = GetFileSize(handle_.get(), nullptr);
    if (low == INVALID_FILE_SIZE)
        return false;
    bytes = low;
    return true;
}

bool FileHandle::read(void* buffer, std::uint32_t count, std::uint32_t& arrived) const {
    arrived = 0;
    if (!isOpen())
        return false;
    DWORD got = 0;
    const BOOL ok = ReadFile(handle_.get(), buffer, count, &got, nullptr);
    arrived = got;
    return ok && got == count;
}

void FileHandle::close() {
    handle_.reset();
}
