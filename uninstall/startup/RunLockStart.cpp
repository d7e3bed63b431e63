#include "RunLockStart.h"

#include "base/Options.h"
#include "base/SystemErrorText.h"

std::string runLockName() {
    std::string name;
    for (const wchar_t* c = win32::kRunLockName; *c != L'\0'; ++c)
        name += static_cast<char>(*c); // plain ASCII
    return name;
}

RunLockRefusal runLockRefusal(const win32::RunLock& lock) {
    using State = win32::RunLock::State;
    RunLockRefusal refusal;
    refusal.item = runLockName();
    const std::string name = "\"" + refusal.item + "\"";
    if (lock.state() == State::Busy) {
        refusal.exitCode = kExitAnotherRunning;
        refusal.why = "another installation or removal is in progress: it held the lock for the " +
                      std::to_string(win32::kRunLockWaitMs / 1000) +
                      " seconds this run waited; start the uninstaller again when it has finished";
        refusal.boxText = "Another installation or removal is in progress: it has held the lock " +
                          name + " for the " + std::to_string(win32::kRunLockWaitMs / 1000) +
                          " seconds the uninstaller waited.\n\nNothing was removed. Start the "
                          "uninstaller again when that run has finished.";
    } else if (lock.state() == State::Untrusted) {
        std::string who;
        for (const wchar_t c : lock.who())
            who += c < 0x80 ? static_cast<char>(c) : '?';
        refusal.exitCode = kExitAnotherRunning;
        refusal.why = "the name of the lock is taken by an object that others than the "
                      "administrators may take or change (" +
                      who +
                      "), so no one can tell whether another run is in progress; sign that "
                      "account out or restart the computer, then start the uninstaller again";
        refusal.boxText = "The uninstaller cannot tell whether another installation or removal "
                          "is in progress: the name of its lock " +
                          name +
                          " is taken by an object that others than the administrators may take "
                          "or change (" +
                          who +
                          ").\n\nNothing was removed. Sign that account out or restart the "
                          "computer, then start the uninstaller again.";
    } else {
        refusal.exitCode = kExitNothingRemoved;
        refusal.why =
            "the lock that keeps two runs apart cannot be made: " + systemErrorText(lock.error()) +
            "; start the uninstaller as an administrator";
        refusal.boxText = "The uninstaller cannot make its lock " + name +
                          ", which keeps two runs apart: " + systemErrorText(lock.error()) +
                          "\n\nNothing was removed. Start the uninstaller as an administrator.";
    }
    return refusal;
}
