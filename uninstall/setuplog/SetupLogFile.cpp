// Loading a setup log from disk; the parsing itself is portable (SetupLog.cpp).
#include "SetupLog.h"

#include "FileHandle.h"
#include "base/AppException.h"

SetupLog::SetupLog(const std::string& directory, const std::string& fileName) {
    FileHandle file;
    if (!file.open(directory, fileName))
        throw FileException(fileName, FileException::kCannotOpen);
    std::uint32_t size = 0;
    file.size(size);
    // A short read is no error: bytes that did not arrive stay 0.
    std::string buffer(size, '\0');
    std::uint32_t arrived = 0;
    file.read(buffer.data(), size, arrived);
    file.close();
    load(buffer, arrived);
}
