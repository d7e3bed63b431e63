#include "setuplog/FileHandle.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

#include <winioctl.h>

using testsupport::TempDirectory;
using testsupport::writeFile;

namespace {

win32::Handle holdOpen(const std::string& path, DWORD access, DWORD share) {
    return win32::Handle(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

TEST(FileHandle, OpensByDirectoryWithOrWithoutTrailingBackslash) {
    TempDirectory dir;
    writeFile(dir.file("Setup.log"), "abc");
    FileHandle file;
    EXPECT_TRUE(file.open(dir.path(), "Setup.log"));
    EXPECT_TRUE(file.open(dir.path() + "\\", "Setup.log"));
    EXPECT_TRUE(file.open(dir.path() + "\\", "setup.log")) << "file names are not case-sensitive";
}

TEST(FileHandle, EmptyDirectoryResolvesAgainstTheCurrentDirectory) {
    TempDirectory dir;
    writeFile(dir.file("Setup.log"), "abc");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    FileHandle file;
    const bool opened = file.open("", "Setup.log");
    file.close();
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(opened);
}

TEST(FileHandle, ReadsSizeAndBytesAndReportsShortReads) {
    TempDirectory dir;
    writeFile(dir.file("f"), "0123456789");
    FileHandle file;
    ASSERT_TRUE(file.open(dir.file("f")));
    std::uint32_t size = 99;
    ASSERT_TRUE(file.size(size));
    EXPECT_EQ(size, 10u);

    char buffer[16] = {};
    std::uint32_t arrived = 99;
    EXPECT_TRUE(file.read(buffer, 4, arrived));
    EXPECT_EQ(arrived, 4u);
    EXPECT_FALSE(file.read(buffer, 16, arrived)) << "only six bytes were left";
    EXPECT_EQ(arrived, 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
}

TEST(FileHandle, ClosedHandleReadsNothing) {
    FileHandle file;
    std::uint32_t size = 99, arrived = 99;
    char buffer[4];
    EXPECT_FALSE(file.size(size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(file.read(buffer, 4, arrived));
    EXPECT_EQ(arrived, 0u);
    file.close(); // closing twice does nothing
    EXPECT_FALSE(file.isOpen());
}

TEST(FileHandle, FailedSecondOpenLeavesTheFirstFileClosed) {
    TempDirectory dir;
    writeFile(dir.file("first"), "x");
    FileHandle file;
    ASSERT_TRUE(file.open(dir.file("first")));
    EXPECT_FALSE(file.open(dir.file("missing")));
    EXPECT_FALSE(file.isOpen());
    // Nobody holds the first file any more, so an exclusive open succeeds.
    EXPECT_TRUE(holdOpen(dir.file("first"), GENERIC_WRITE, 0).valid());
}

TEST(FileHandle, DestructionReleasesTheFile) {
    TempDirectory dir;
    writeFile(dir.file("f"), "x");
    {
        FileHandle file;
        ASSERT_TRUE(file.open(dir.file("f")));
        EXPECT_FALSE(holdOpen(dir.file("f"), GENERIC_WRITE, 0).valid());
    }
    EXPECT_TRUE(holdOpen(dir.file("f"), GENERIC_WRITE, 0).valid());
}

TEST(FileHandle, FileBeingWrittenOrHeldWithoutReadSharingCannotBeOpened) {
    TempDirectory dir;
    writeFile(dir.file("f"), "x");
    FileHandle file;
    {
        const win32::Handle writer =
            holdOpen(dir.file("f"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(writer.valid());
        EXPECT_FALSE(file.open(dir.file("f")));
    }
    {
        const win32::Handle exclusive = holdOpen(dir.file("f"), GENERIC_READ, 0);
        ASSERT_TRUE(exclusive.valid());
        EXPECT_FALSE(file.open(dir.file("f")));
    }
    {
        const win32::Handle reader = holdOpen(dir.file("f"), GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(reader.valid());
        EXPECT_TRUE(file.open(dir.file("f"))) << "another reader sharing reading is fine";
    }
}

TEST(FileHandle, SizeOfFourGigabytesOrMoreIsTheLowPart) {
    TempDirectory dir;
    {
        const win32::Handle big(CreateFileA(dir.file("big").c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(big.valid());
        DWORD ignored = 0;
        // Sparse where the file system allows it, so the test costs no disk.
        DeviceIoControl(big.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = (1LL << 32) + 5;
        ASSERT_TRUE(SetFilePointerEx(big.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(big.get()));
    }
    FileHandle file;
    ASSERT_TRUE(file.open(dir.file("big")));
    std::uint32_t size = 0;
    EXPECT_TRUE(file.size(size));
    EXPECT_EQ(size, 5u);
}
