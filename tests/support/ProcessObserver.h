#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A process seen while running a program and everything it starts under the debugging API:
// this sees children come and go without any help from the program under test.
struct ObservedProcess {
    DWORD id = 0;
    std::string image;       // full path of the program file
    std::string commandLine; // as the process received it
    bool exited = false;
    DWORD exitCode = 0;
    int exitOrder = -1; // 0 for the first process to end, 1 for the next...
};

struct ObservedRun {
    bool started = false;
    bool timedOut = false;
    bool stopped = false; // the stop point was reached and the process ended there
    int calls = 0;        // how many times the stop point's function was entered
    std::vector<ObservedProcess> processes; // in the order they were created
};

// Where a run is ended from outside, as a management tool or a power cut ends it: in the
// first process whose program file's name begins with `image`, as it enters the `call`-th
// call of `function` (an export of `module`, a system library loaded at the same address in
// every process). No stop when `call` is 0; none either when the process makes fewer calls,
// which then counts them.
struct StopPoint {
    std::string image;
    std::string module;
    std::string function;
    int call = 0;
};

// Runs commandLine and follows it and its descendants until all have ended or timeoutMs
// has passed; what is still running then is killed. With a program path the command line
// reaches the process exactly as given (Wine otherwise quotes an unquoted program path). With
// `instead`, the process is not ended at the stop point: `instead` runs while it waits there,
// and then it goes on, as when another program acts at just that moment.
ObservedRun runObserved(const std::string& commandLine, DWORD timeoutMs,
                        const std::string& program = std::string(), const StopPoint& stop = {},
                        const std::function<void()>& instead = {});

// Ends every running process whose program file (its full path in lower case) `which` names,
// as a management tool ends what it started, and waits up to `timeoutMs` for each to end. How
// many ended.
int killPrograms(const std::function<bool(const std::string&)>& which, DWORD timeoutMs);

} // namespace testsupport
