#pragma once

#include "recovery/JournalReport.h"
#include "recovery/Utf8.h"
#include "win32/AdministratorNotice.h"
#include "win32/Handles.h"

#include <string>

// What became of each item of one run, for administrators (/LOG=<file>), in the form of the
// uninstaller's report: UTF-8, one line "stage<TAB>item<TAB>outcome" written as the run goes,
// so that a run that is stopped leaves a truthful partial report, then a summary line with the
// counts and the exit code. Without a file, nothing is written.
class SetupReport : public JournalReport {
public:
    // Creates (or empties) the report file; false, with nothing changed, when it cannot be
    // written or is no plain file of its own: a link, junction, device or pipe at the end, a
    // folder on the way that leads elsewhere, a file with a second name (a hard link).
    bool open(const std::wstring& path);

    void installed(const char* stage, const std::wstring& item) { line(stage, item, "installed"); }
    void replaced(const char* stage, const std::wstring& item) { line(stage, item, "replaced"); }
    void scheduled(const char* stage, const std::wstring& item, const std::wstring& why);
    void kept(const char* stage, const std::wstring& item, const std::wstring& why) override;
    void failed(const char* stage, const std::wstring& item, const std::wstring& why);
    // A line that counts nowhere, such as an operation for the next restart taken out. Without
    // a file, a note of the stage "Recovery" (what became of a stopped run) is told where a
    // refusal is: the event log and standard error.
    void note(const char* stage, const std::wstring& item, const std::string& text) override;
    // The closing line: the counts and the exit code as the process returns it.
    void summary(int exitCode);

    // Without a file, what a run refused, recovered or how it ended goes where administrators
    // look: the Application event log and standard error, as "setup.exe: <text>".
    void tellWithoutFile(win32::NoticeKind kind, const std::wstring& text) const;

private:
    void line(const char* stage, const std::wstring& item, const std::string& outcome);

    win32::Handle file_;
    int installed_ = 0, replaced_ = 0, scheduled_ = 0, kept_ = 0, failed_ = 0;
};
