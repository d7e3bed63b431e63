#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace jet {

// A file opened for reading at any offset; nothing of it is held in memory.
class FileReader {
public:
    // `path` is UTF-8. Throws JetError when the file cannot be opened.
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    std::uint64_t size() const { return size_; }
    // Exactly `length` bytes from `offset`; throws JetError when they cannot be read.
    void read(std::uint64_t offset, std::uint8_t* into, std::size_t length) const;

private:
    std::uint64_t size_ = 0;
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace jet
