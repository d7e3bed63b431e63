#pragma once

#include "win32/Handles.h"

#include <string>

// What became of each item of one run. Every outcome is counted, for the exit code of an
// unattended run; when a report file was asked for, each item is also written to it at once,
// one UTF-8 line "stage<TAB>item<TAB>outcome", so that a run that is killed leaves a truthful
// partial report. Written by one thread at a time: the main stage, then the worker.
class UninstallReport {
public:
    enum class Outcome { Removed, NotFound, Kept, Scheduled, Failed };

    // Creates (or empties) the report file; false when it cannot be written.
    bool open(const std::string& path);

    // `detail` follows the outcome: the reason something was kept, or the error of a failure.
    void item(const char* stage, const std::string& item, Outcome outcome,
              const std::string& detail = std::string());
    // A line that counts nowhere, such as the program run before the stages.
    void note(const char* stage, const std::string& item, const std::string& text);
    // The closing line: the counts and the exit code.
    void summary(int exitCode);

    int count(Outcome outcome) const { return counts_[static_cast<int>(outcome)]; }
    // 1 when anything could not be removed, else 3010 when anything waits for the next
    // restart, else 0.
    int exitCode() const;

private:
    void write(const std::string& line);

    win32::Handle file_;
    int counts_[5] = {};
};
