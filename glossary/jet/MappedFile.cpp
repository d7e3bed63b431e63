// The one platform-specific file of the reader: everything else works on bytes.
#include "MappedFile.h"

#include "JetError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace jet {

#ifdef _WIN32

struct MappedFile::Handles {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    ~Handles() {
        if (mapping != nullptr)
            CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

MappedFile::MappedFile(const std::string& path) : handles_(std::make_unique<Handles>()) {
    handles_->file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handles_->file == INVALID_HANDLE_VALUE)
        throw JetError("cannot open " + path + " (error " + std::to_string(GetLastError()) + ")");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handles_->file, &size))
        throw JetError("cannot read the size of " + path);
    size_ = static_cast<std::size_t>(size.QuadPart);
    if (size_ == 0)
        return; // an empty file cannot be mapped; it is simply no database
    handles_->mapping = CreateFileMappingA(handles_->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (handles_->mapping == nullptr)
        throw JetError("cannot map " + path);
    data_ =
        static_cast<const std::uint8_t*>(MapViewOfFile(handles_->mapping, FILE_MAP_READ, 0, 0, 0));
    if (data_ == nullptr)
        throw JetError("cannot map " + path);
}

MappedFile::~MappedFile() {
    if (data_ != nullptr)
        UnmapViewOfFile(data_);
}

#else

struct MappedFile::Handles {
    int descriptor = -1;
    ~Handles() {
        if (descriptor >= 0)
            close(descriptor);
    }
};

MappedFile::MappedFile(const std::string& path) : handles_(std::make_unique<Handles>()) {
    handles_->descriptor = open(path.c_str(), O_RDONLY);
    if (handles_->descriptor < 0)
        throw JetError("cannot open " + path);
    struct stat status;
    if (fstat(handles_->descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        throw JetError("cannot read " + path);
    size_ = static_cast<std::size_t>(status.st_size);
    if (size_ == 0)
        return;
    // Populated at once: one call instead of a page fault for every page of a large file.
    void* view =
        mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, handles_->descriptor, 0);
    if (view == MAP_FAILED)
        throw JetError("cannot map " + path);
    data_ = static_cast<const std::uint8_t*>(view);
}

MappedFile::~MappedFile() {
    if (data_ != nullptr)
        munmap(const_cast<std::uint8_t*>(data_), size_);
}

#endif

} // namespace jet
