#include "base/AppException.h"
#include "setuplog/SetupLog.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

using testsupport::TempDirectory;
using testsupport::writeFile;

namespace {

const std::string kLog = "[COMMON]\r\nApplication_Name=Example\r\n[APPFILES]\r\nC:\\App\\a.txt\r\n";

std::string inverted(std::string text) {
    for (char& c : text)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return text;
}

// Runs the load and returns the FileException it threw; fails the test if none was thrown.
FileException loadFailure(const std::string& directory, const std::string& name) {
    try {
        SetupLog log(directory, name);
    } catch (const FileException& failure) {
        return failure;
    }
    ADD_FAILURE() << "loading " << name << " did not throw";
    return FileException("", 0);
}

} // namespace

TEST(SetupLogFile, LoadsPlainAndInvertedFilesAlike) {
    TempDirectory plainDir("plain"), invertedDir("inverted");
    writeFile(plainDir.file("Setup.log"), kLog);
    writeFile(invertedDir.file("Setup.log"), inverted(kLog));
    const SetupLog plain(plainDir.path(), "Setup.log");
    const SetupLog other(invertedDir.path() + "\\", "setup.log");
    EXPECT_EQ(plain.text(), kLog);
    EXPECT_EQ(other.text(), kLog);
    std::string name;
    other.value(name, "COMMON", "Application_Name", "", true);
    EXPECT_EQ(name, "Example");
}

TEST(SetupLogFile, EmptyFileLoadsWithoutError) {
    TempDirectory dir;
    writeFile(dir.file("Setup.log"), "");
    const SetupLog log(dir.path(), "Setup.log");
    EXPECT_EQ(log.entryCount("COMMON"), 0);
}

TEST(SetupLogFile, MissingFileThrowsWithTheBareNameAndReasonTwo) {
    TempDirectory dir;
    const FileException failure = loadFailure(dir.path(), "Setup.log");
    EXPECT_EQ(failure.kind, 1);
    EXPECT_EQ(failure.fileName, "Setup.log");
    EXPECT_EQ(failure.reason, 2);
}

TEST(SetupLogFile, FileHeldWithoutReadSharingCannotBeLoaded) {
    TempDirectory dir;
    writeFile(dir.file("Setup.log"), kLog);
    const win32::Handle holder(CreateFileA(dir.file("Setup.log").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    EXPECT_EQ(loadFailure(dir.path(), "Setup.log").reason, 2);
}

TEST(SetupLogFile, LogIsNotHeldOpenAfterLoading) {
    TempDirectory dir;
    writeFile(dir.file("Setup.log"), kLog);
    const SetupLog log(dir.path(), "Setup.log");
    EXPECT_TRUE(DeleteFileA(dir.file("Setup.log").c_str()));
    EXPECT_EQ(log.entryCount("APPFILES"), 1);
}
