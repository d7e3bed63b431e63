// What the programs write for administrators: a report only into a plain file of its own, and
// a write that fails names its real reason, read at the failing call.
#include "base/SystemErrorText.h"
#include "engine/UninstallReport.h"
#include "support/WinTestSupport.h"
#include "win32/FileHolders.h"
#include "win32/FileWrite.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(WriteError, AFailedWriteKeepsItsOwnErrorAndNeverReadsAsSuccess) {
    TempDirectory dir("write-error");
    const std::string path = dir.file("read-only.txt");
    writeFile(path, "kept");
    {
        // Open for reading only: every write fails, as on a full disk.
        const win32::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.valid());
        SetLastError(ERROR_SUCCESS);
        const DWORD error = win32::writeWhole(file.get(), "a line\r\n");
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
        // What runs after the failing call (closing, cleaning up) may clear the thread's error.
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(systemErrorText(error).find("uccess"), std::string::npos)
            << systemErrorText(error);
    }
    EXPECT_EQ(readFile(path), "kept");
    // Plain words and what to do, not the system's code name.
    for (const DWORD inUse : {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION})
        EXPECT_NE(systemErrorText(inUse).find("in use by a running program. Close "),
                  std::string::npos)
            << systemErrorText(inUse);
    EXPECT_NE(systemErrorText(ERROR_DISK_FULL).find("Free some space"), std::string::npos);
    EXPECT_EQ(systemErrorText(ERROR_SUCCESS).find("uccess"), std::string::npos)
        << "a lost error code says so";
}

TEST(ReportFile, OnlyAPlainFileOfItsOwnIsWrittenAndEmptiedFirst) {
    TempDirectory dir("report-file");
    const std::string report = dir.file("report.txt");
    writeFile(report, "an earlier run's report");
    {
        UninstallReport opened;
        ASSERT_TRUE(opened.open(report, {}));
        opened.note("Stage", "item", "text");
    }
    EXPECT_EQ(readFile(report), "Stage\titem\ttext\r\n") << "emptied, then written";

    // A second name may be anyone's file, linked here to be overwritten.
    const std::string theirs = dir.file("theirs.txt");
    writeFile(theirs, "another program's file");
    ASSERT_TRUE(CreateHardLinkA(dir.file("linked.txt").c_str(), theirs.c_str(), nullptr));
    UninstallReport refused;
    EXPECT_FALSE(refused.open(dir.file("linked.txt"), {}));
    EXPECT_EQ(readFile(theirs), "another program's file");
    // A file the run must not touch, by identity, whatever its name.
    EXPECT_FALSE(refused.open(report, {report}));
    EXPECT_EQ(readFile(report), "Stage\titem\ttext\r\n");
    // A folder part that is a file, and a new file refused, leave nothing.
    EXPECT_FALSE(refused.open(report + "\\inner.txt", {}));
    EXPECT_FALSE(fileExists(report + "\\inner.txt"));
}

TEST(HolderNames, AProgramsOwnNameCannotStartLinesOfItsOwnInWhatAdministratorsRead) {
    // A program names itself (its window's title, its version text): a line break there would
    // forge a line of setup's in the event log and on the tool's standard error.
    EXPECT_EQ(win32::oneLine(L"Backup\r\nsetup.exe: installed\x2028ok\x85\t."),
              L"Backup  setup.exe: installed ok  .");
    EXPECT_EQ(win32::oneLine(L"R\u00e9sum\u00e9 \u0395\u03bb\u03bb\u03ac\u03b4\u03b1"),
              L"R\u00e9sum\u00e9 \u0395\u03bb\u03bb\u03ac\u03b4\u03b1")
        << "letters of any script stay";
}
