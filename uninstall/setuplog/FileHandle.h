#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>

// One Win32 file handle opened for reading. Every failure is a false result; nothing throws.
class FileHandle {
public:
    FileHandle() = default;
    virtual ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool open(const std::string& directory, const std::string& fileName);
    // Shares reading only, so a file someone is writing cannot be opened.
    bool open(const std::string& path);
    // Low 32 bits of the size; false with 0 when closed or the size is unknown.
    bool size(std::uint32_t& bytes) const;
    // One ReadFile; true only when every byte asked for arrived.
    bool read(void* buffer, std::uint32_t count, std::uint32_t& arrived) const;
    void close();
    bool isOpen() const { return handle_.valid(); }

private:
    win32::Handle handle_;
};
