#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace jet {

// A whole file mapped read-only into memory; pages are read only when first touched.
class MappedFile {
public:
    // Throws JetError when the file cannot be opened or mapped.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

} // namespace jet
