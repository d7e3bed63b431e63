#pragma once

// Series of runs that meet: two setups, or a setup and the uninstaller, started at one moment,
// and an uninstall killed at a moment of its work followed by setup. Each run is judged by the
// state it leaves: the product whole (files, setup log, shortcuts and registration agree, no
// journal left) or the machine as clean as before the series; anything else is an exception,
// kept with what was found. Shared by the tests (short series) and the benchmark (long ones).
#include "RemovalMoments.h"
#include "support/ProcessObserver.h"

#include <map>
#include <string>
#include <vector>

namespace concurrent {

struct Figures {
    std::string series;
    int runs = 0;
    std::map<std::string, int> exitCodes; // "0 + 1618"... -> runs
    std::map<std::string, int> ends;      // "whole", "clean" -> runs
    std::vector<std::string> exceptions;  // each run that ended neither, and what it left
    void print() const;
};

// `runs` times two `setup.exe /S` released together, on a fresh machine and on the installed
// product in turn; after each the registered uninstall command must leave the machine clean.
Figures twoSetupsTogether(int runs);
// `runs` times `setup.exe /S` (into the installed product's folder, as the tool installed it)
// and the registered uninstall command released together on the installed product.
Figures setupBesideUninstall(int runs);

// `runs` times a repair by `setup.exe /S` that holds the run lock while the registered
// uninstall command, started then, waits for it: the order the together series meets by chance.
Figures setupWhileAnUninstallWaits(int runs);

// The uninstaller (the registered command) killed at each moment, the n-th call of a function
// in the process its image names ("Del": the copy doing the work; "uninstall": the started
// process). Each moment is taken twice: the started process killed alone (the copy works on,
// and the tool's `setup.exe /S` starts at once) and the whole tree killed (then the tool's setup
// starts). Setup, again after 1618, must leave the product whole, and the uninstaller then the
// machine clean. A moment the run does not reach is an exception: it would prove nothing.
Figures uninstallKilledThenSetup(const std::vector<testsupport::StopPoint>& moments);
// An unattended removal of the installed product, counting how many times it enters
// `function` (its call is not used) in the process its image names; calls -1 when the product
// could not be installed.
testsupport::ObservedRun removalCounting(const testsupport::StopPoint& function);
} // namespace concurrent
