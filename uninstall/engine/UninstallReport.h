#pragma once

#include "ReportLimit.h"
#include "win32/Handles.h"

#include <string>
#include <vector>

// What became of each item of one run. Every outcome is counted, for the exit code of an
// unattended run; when a report file was asked for, each item is also written to it at once,
// one UTF-8 line "stage<TAB>item<TAB>outcome", so that a run that is killed leaves a truthful
// partial report; bounded as ReportLimit says. Written by one thread at a time: the main stage,
// then the worker.
class UninstallReport {
public:
    enum class Outcome { Removed, NotFound, Kept, Scheduled, Failed };

    // Creates (or empties) the report file; false, with nothing changed, when it cannot be
    // written or is no plain file of its own: a link, junction, device or pipe at the end, a
    // folder on the way that leads elsewhere, a file with a second name (a hard link), or the
    // very file (by identity) of any path in `untouchable`, such as the setup log.
    // `path` in UTF-8, as the options hold it; `untouchable` in the ANSI code page.
    bool open(const std::string& path, const std::vector<std::string>& untouchable);

    // `detail` follows the outcome: the reason something was kept, or the error of a failure.
    void item(const char* stage, const std::string& item, Outcome outcome,
              const std::string& detail = std::string());
    // An item kept on purpose that the run still could not finish: counted as kept, but the
    // exit code says that something was not removed.
    void unfinished(const char* stage, const std::string& item, const std::string& why);
    // A line that counts nowhere, such as the program run before the stages.
    void note(const char* stage, const std::string& item, const std::string& text);
    // The same for an item named in UTF-16, such as the report's own path.
    void note(const char* stage, const std::wstring& item, const std::string& text);
    // The same with the text in UTF-16 too, such as a reason that names an account.
    void note(const char* stage, const std::wstring& item, const std::wstring& text);
    // The closing line: the counts and the exit code as the process returns it.
    void summary(int exitCode);

    // True when lines go to a report file.
    bool writing() const { return file_.valid(); }

    int count(Outcome outcome) const { return counts_[static_cast<int>(outcome)]; }
    // 1 when anything could not be removed or was unfinished, else 3010 when anything waits for the
    // next restart, else 0.
    int exitCode() const;

private:
    // Stage, item and outcome, escaped and in UTF-8, as the limit lets them through.
    void writeLine(const char* stage, const std::string& item, const std::string& outcome);
    void writeUtf8(const std::string& line);

    win32::Handle file_;
    ReportLimit limit_;
    int counts_[5] = {};
    int unfinished_ = 0;
};
