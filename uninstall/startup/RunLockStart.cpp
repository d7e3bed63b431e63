#include "RunLockStart.h"

#include "base/Options.h"
#include "base/SystemErrorText.h"

RunLockRefusal runLockRefusal(const win32::RunLock& lock) {
    using State = win32::RunLock::State;
    RunLockRefusal refusal;
    refusal.item = lock.name();
    const std::wstring which = L"the " + lock.described();
    const std::string seconds = std::to_string(win32::kRunLockWaitMs / 1000);
    if (lock.state() == State::Busy) {
        refusal.exitCode = kExitAnotherRunning;
        refusal.why = "another installation or removal is in progress: it held " +
                      wideToAnsi(which) + " for the " + seconds +
                      " seconds this run waited; start the uninstaller again when it has finished";
        refusal.boxText = L"Another installation or removal is in progress: it has held " + which +
                          L" for the " + ansiToWide(seconds) +
                          L" seconds the uninstaller waited.\n\nNothing was removed. Start the "
                          L"uninstaller again when that run has finished.";
    } else if (lock.state() == State::Untrusted) {
        refusal.exitCode = kExitAnotherRunning;
        refusal.why = "the name of " + wideToAnsi(which) +
                      " is taken by an object that others than the administrators may take or "
                      "change (" +
                      wideToAnsi(lock.who()) +
                      "), so no one can tell whether another run is in progress; sign that "
                      "account out or restart the computer, then start the uninstaller again";
        refusal.boxText = L"The uninstaller cannot tell whether another installation or removal "
                          L"is in progress: the name of " +
                          which +
                          L" is taken by an object that others than the administrators may take "
                          L"or change (" +
                          lock.who() +
                          L").\n\nNothing was removed. Sign that account out or restart the "
                          L"computer, then start the uninstaller again.";
    } else {
        const std::string error = systemErrorText(lock.error());
        refusal.exitCode = kExitNothingRemoved;
        refusal.why = "the uninstaller cannot make " + wideToAnsi(which) +
                      ", which keeps two runs apart: " + error +
                      "; start the uninstaller as an administrator";
        refusal.boxText = L"The uninstaller cannot make " + which +
                          L", which keeps two runs apart: " + ansiToWide(error) +
                          L"\n\nNothing was removed. Start the uninstaller as an administrator.";
    }
    return refusal;
}
