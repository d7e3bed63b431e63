#include "ConcurrentRuns.h"

#include "SetupTestSupport.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Handles.h"
#include "win32/Process.h"
#include "win32/RunLock.h"

#include <algorithm>
#include <cstdio>
#include <set>

using namespace setuptest;
using namespace testsupport;

namespace concurrent {

namespace {

constexpr DWORD kNotEnded = 0xFFFFFFFF;
constexpr DWORD kAnotherRunning = 1618;
const std::string kDirectory = "C:\\Concurrent Runs\\Technical Glossary";
const char kJournalKey[] = "SOFTWARE\\Technical Glossary Setup";

// The reports of the runs since the last look, shown with an exception to explain it.
class Reports {
public:
    // " /LOG=<a new report>" for a run of `program`.
    std::string option(const std::string& program) {
        paths_.push_back(folder_.file(std::to_string(++count_) + "-" + program + ".txt"));
        return " \"/LOG=" + paths_.back() + "\"";
    }
    std::string take() {
        std::string texts;
        for (const std::string& path : paths_) {
            texts += path + ":\n";
            if (fileExists(path))
                texts += readFile(path);
        }
        paths_.clear();
        return texts;
    }
    std::string folder() const { return lower(folder_.path()); }

private:
    TempDirectory folder_{"concurrent-runs"};
    std::vector<std::string> paths_;
    int count_ = 0;
};

Reports reports;

std::string setup(bool withFolder) {
    return "\"" + binaryDirectory() + "\\setup.exe\" /S" + reports.option("setup") +
           (withFolder ? " /D=" + kDirectory : "");
}

std::string uninstall() {
    return registered("QuietUninstallString") + reports.option("uninstall");
}

// Every command line started suspended, then all let go at once: their exit codes in order.
std::vector<DWORD> runTogether(const std::vector<std::string>& commandLines) {
    using Resume = LONG(NTAPI*)(HANDLE);
    const auto resume = reinterpret_cast<Resume>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtResumeProcess")));
    win32::StartOptions suspended;
    suspended.flags = CREATE_SUSPENDED;
    std::vector<win32::Process> started;
    for (const std::string& commandLine : commandLines)
        started.push_back(win32::startProcess({}, commandLine, suspended));
    for (const win32::Process& process : started) {
        if (process)
            resume(process.handle.get());
    }
    std::vector<DWORD> exitCodes;
    for (const win32::Process& process : started) {
        DWORD exitCode = kNotEnded;
        if (process && !win32::waitForExit(process.handle.get(), kTimeoutMs, exitCode)) {
            TerminateProcess(process.handle.get(), 1);
            exitCode = kNotEnded;
        }
        exitCodes.push_back(exitCode);
    }
    return exitCodes;
}

std::string code(DWORD exitCode) {
    return exitCode == kNotEnded ? "not ended" : std::to_string(exitCode);
}

DWORD run(const std::string& commandLine) {
    DWORD exitCode = kNotEnded;
    return runAndWait(commandLine, kTimeoutMs, exitCode) ? exitCode : kNotEnded;
}

// The baseline of a clean machine.
std::set<std::string> cleanMachine() {
    reports.take();
    return snapshot();
}

// What keeps the product from being whole; empty when it is.
std::string notWhole() {
    std::string missing;
    for (const char* name : {"glossary.exe", "Dict.mdb", "uninstall.exe", "Setup.log"}) {
        if (!fileExists(kDirectory + "\\" + name))
            missing += std::string(" ") + name;
    }
    const std::string menu = commonPrograms() + "\\Technical Glossary";
    for (const char* name : {"Technical Glossary.lnk", "Uninstall Technical Glossary.lnk"}) {
        if (!fileExists(menu + "\\" + name))
            missing += std::string(" ") + name;
    }
    for (const char* pattern : {"\\*.previous", "\\*.new"}) {
        if (!filesMatching(kDirectory + pattern).empty())
            missing += std::string(" no") + pattern;
    }
    if (registered("InstallLocation") != kDirectory)
        missing += " registration";
    if (valueExists(HKEY_LOCAL_MACHINE, kJournalKey, "Journal"))
        missing += " no journal";
    return missing;
}

// What changed on the machine since `clean`, less the reports and the values of its folders
// that Wine writes into the key of the system's version (never the product's) when some program
// in a new prefix first asks for them.
std::vector<std::string> changedSince(const std::set<std::string>& clean) {
    const std::string wines = "+ hklm\\software\\microsoft\\windows\\currentversion\\";
    std::vector<std::string> changed;
    for (const std::string& item : differences(clean, snapshot())) {
        const bool wine = item.rfind(wines, 0) == 0 &&
                          item.find('\\', wines.size()) > item.find('=', wines.size());
        if (!wine && item.find(reports.folder()) == std::string::npos)
            changed.push_back(item);
    }
    return changed;
}

std::string firstLines(const std::vector<std::string>& lines) {
    return join(std::vector<std::string>(lines.begin(),
                                         lines.begin() + std::min<std::size_t>(lines.size(), 8)));
}

// "whole", "clean", or what was found.
std::string endState(const std::set<std::string>& clean) {
    const std::string missing = notWhole();
    if (missing.empty())
        return "whole";
    const std::vector<std::string> changed = changedSince(clean);
    if (changed.empty())
        return "clean";
    return "half (missing:" + missing + ")\n" + firstLines(changed);
}

// The product removed by its registered command; what stayed, empty when the machine is clean.
std::string removedClean(const std::set<std::string>& clean) {
    const DWORD exitCode =
        registered("QuietUninstallString").empty() ? kNotEnded : run(uninstall());
    const std::vector<std::string> changed = changedSince(clean);
    if (exitCode == 0 && changed.empty())
        return std::string();
    return "the uninstaller then ended " + code(exitCode) + " leaving\n" + firstLines(changed);
}

// After an exception: the machine made clean again by hand, so that the next run is judged on
// its own and not on what this one left.
void restore(const std::set<std::string>& clean) {
    if (changedSince(clean).empty())
        return;
    const std::string parent = kDirectory.substr(0, kDirectory.rfind('\\'));
    removeTree(parent);
    removeTree(commonPrograms() + "\\Technical Glossary");
    deleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    deleteTree(HKEY_LOCAL_MACHINE, kJournalKey);
}

// Counts the run's end; an exception when it is neither whole nor clean (`clean` allowed), or
// when the uninstaller cannot then take a whole product away clean.
void judge(Figures& figures, const std::string& label, const std::set<std::string>& clean,
           bool cleanAllowed) {
    ++figures.runs;
    std::string state = endState(clean);
    if (state == "whole") {
        const std::string left = removedClean(clean);
        if (!left.empty())
            state = "whole, but " + left;
    }
    const bool fine = state == "whole" || (cleanAllowed && state == "clean");
    ++figures.ends[fine ? state : "neither"];
    const std::string texts = reports.take();
    if (!fine) {
        figures.exceptions.push_back(label + ": " + state + "\n" + texts);
        restore(clean);
    }
}

} // namespace

void Figures::print() const {
    std::printf("%s: %d runs\n", series.c_str(), runs);
    for (const auto& [codes, count] : exitCodes)
        std::printf("  exit codes %s: %d\n", codes.c_str(), count);
    for (const auto& [state, count] : ends)
        std::printf("  ended %s: %d\n", state.c_str(), count);
    for (const std::string& exception : exceptions)
        std::printf("  exception: %s\n", exception.c_str());
    std::fflush(stdout);
}

Figures twoSetupsTogether(int runs) {
    Figures figures;
    figures.series = "two setups started together";
    const std::set<std::string> clean = cleanMachine();
    for (int i = 0; i < runs; ++i) {
        const bool installed = i % 2 == 1;
        const std::string label =
            "run " + std::to_string(i + 1) + (installed ? " (installed)" : " (fresh)");
        if (installed && run(setup(true)) != 0) {
            figures.exceptions.push_back(label + ": the first installation failed\n" +
                                         reports.take());
            restore(clean);
            continue;
        }
        // Over an installation, as a tool repairs: the registered folder.
        std::vector<DWORD> exitCodes = runTogether({setup(!installed), setup(!installed)});
        std::sort(exitCodes.begin(), exitCodes.end());
        const std::string pair = code(exitCodes[0]) + " + " + code(exitCodes[1]);
        ++figures.exitCodes[pair];
        // One does the work; the other waits for it or is turned away having changed nothing.
        if (exitCodes[0] != 0 || (exitCodes[1] != 0 && exitCodes[1] != kAnotherRunning))
            figures.exceptions.push_back(label + ": exit codes " + pair);
        judge(figures, label, clean, false);
    }
    return figures;
}

Figures setupBesideUninstall(int runs) {
    Figures figures;
    figures.series = "setup and uninstall started together";
    const std::set<std::string> clean = cleanMachine();
    for (int i = 0; i < runs; ++i) {
        const std::string label = "run " + std::to_string(i + 1);
        if (run(setup(true)) != 0) {
            figures.exceptions.push_back(label + ": the first installation failed\n" +
                                         reports.take());
            restore(clean);
            continue;
        }
        // The folder given, so that a setup after the removal installs where the product was.
        const std::vector<DWORD> exitCodes = runTogether({setup(true), uninstall()});
        ++figures.exitCodes["setup " + code(exitCodes[0]) + ", uninstall " + code(exitCodes[1])];
        judge(figures, label, clean, true);
    }
    return figures;
}

namespace {

// Whether a run other than the caller holds the entry lock, as the uninstaller's first process
// does while it waits for the run lock; taken here for an instant when free.
bool entryLockHeldElsewhere() {
    return win32::RunLock::take(win32::kRunEntryLockName, 0).state() == win32::RunLock::State::Busy;
}

} // namespace

Figures setupWhileAnUninstallWaits(int runs) {
    Figures figures;
    figures.series = "setup holding the run lock while an uninstall waits for it";
    const std::set<std::string> clean = cleanMachine();
    for (int i = 0; i < runs; ++i) {
        const std::string label = "run " + std::to_string(i + 1);
        if (run(setup(true)) != 0) {
            figures.exceptions.push_back(label + ": the first installation failed\n" +
                                         reports.take());
            restore(clean);
            continue;
        }
        // Stopped at its journal's first write, after it took the run lock, until the
        // uninstaller's first process waits for that lock.
        win32::Process removal;
        bool waiting = false;
        const ObservedRun repair = runObserved(
            setup(true), kTimeoutMs, {}, {"setup", "advapi32.dll", "RegFlushKey", 1}, [&] {
                removal = win32::startProcess({}, uninstall());
                for (DWORD waited = 0; removal && waited < 10000 && !waiting; waited += 20) {
                    waiting = entryLockHeldElsewhere();
                    if (!waiting)
                        Sleep(20);
                }
            });
        DWORD removed = kNotEnded;
        if (removal && !win32::waitForExit(removal.handle.get(), kTimeoutMs, removed)) {
            TerminateProcess(removal.handle.get(), 1);
            removed = kNotEnded;
        }
        const DWORD repaired = !repair.processes.empty() && repair.processes[0].exited
                                   ? repair.processes[0].exitCode
                                   : kNotEnded;
        ++figures.exitCodes["setup " + code(repaired) + ", uninstall " + code(removed)];
        if (!waiting)
            figures.exceptions.push_back(label + ": the uninstaller never waited for the lock");
        judge(figures, label, clean, true);
    }
    return figures;
}

ObservedRun removalCounting(const StopPoint& function) {
    const std::set<std::string> clean = cleanMachine();
    ObservedRun removal;
    removal.calls = -1;
    if (run(setup(true)) == 0) {
        StopPoint counted = function;
        counted.call = 1 << 30;
        removal = runObserved(uninstall(), kTimeoutMs, {}, counted);
    }
    reports.take();
    restore(clean);
    return removal;
}

Figures uninstallKilledThenSetup(const std::vector<StopPoint>& moments) {
    Figures figures;
    figures.series = "uninstall killed, then setup";
    const std::set<std::string> clean = cleanMachine();
    const std::string relay = lower(kDirectory + "\\uninstall.exe");
    const auto isRelay = [&](const std::string& image) { return image == relay; };
    const auto isCopy = [](const std::string& image) {
        const std::string name = image.substr(image.rfind('\\') + 1);
        return name.rfind("del", 0) == 0 && name.size() > 4 &&
               name.compare(name.size() - 4, 4, ".tmp") == 0;
    };
    for (const StopPoint& moment : moments) {
        for (const bool tree : {false, true}) {
            const std::string label = moment.image + " " + moment.function + " #" +
                                      std::to_string(moment.call) +
                                      (tree ? ", whole tree" : ", started process");
            if (run(setup(true)) != 0) {
                figures.exceptions.push_back(label + ": the first installation failed\n" +
                                             reports.take());
                restore(clean);
                continue;
            }
            bool reached = false;
            win32::Process retry;
            const ObservedRun removal = runObserved(uninstall(), kTimeoutMs, {}, moment, [&] {
                reached = true;
                killPrograms(isRelay, kTimeoutMs);
                if (tree)
                    killPrograms(isCopy, kTimeoutMs);
                else // the tool's retry, while the copy still works
                    retry = win32::startProcess({}, setup(true));
            });
            if (!reached) {
                // A moment the removal no longer reaches proves nothing: it fails the series.
                ++figures.runs;
                ++figures.ends["not reached"];
                figures.exceptions.push_back(label + ": not reached (the function was entered " +
                                             std::to_string(removal.calls) + " times)\n" +
                                             reports.take() + firstLines(changedSince(clean)));
                restore(clean);
                continue;
            }
            DWORD first = kNotEnded;
            if (retry && !win32::waitForExit(retry.handle.get(), kTimeoutMs, first))
                TerminateProcess(retry.handle.get(), 1);
            if (!retry)
                first = run(setup(true));
            std::string codes = code(first);
            if (first == kAnotherRunning)
                codes += " then " + code(run(setup(true)));
            ++figures
                  .exitCodes[std::string(tree ? "tree" : "started process") + ": setup " + codes];
            judge(figures, label, clean, false);
        }
    }
    return figures;
}

} // namespace concurrent
