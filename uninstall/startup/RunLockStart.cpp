#include "RunLockStart.h"

#include "base/Options.h"
#include "base/SystemErrorText.h"

RunLockRefusal runLockRefusal(const win32::RunLock& lock) {
    return runLockRefusal(lock.state(), lock.name(), lock.described(), lock.who(), lock.error());
}

RunLockRefusal runLockRefusal(win32::RunLock::State state, const std::wstring& name,
                              const std::wstring& described, const std::wstring& who, DWORD error) {
    using State = win32::RunLock::State;
    RunLockRefusal refusal;
    refusal.item = name;
    const std::wstring which = L"the " + described;
    const std::wstring seconds = std::to_wstring(win32::kRunLockWaitMs / 1000);
    if (state == State::Busy) {
        refusal.exitCode = kExitAnotherRunning;
        refusal.why = L"another installation or removal is in progress: it held " + which +
                      L" for the " + seconds +
                      L" seconds this run waited; start the uninstaller again when it has finished";
        refusal.boxText = L"Another installation or removal is in progress: it has held " + which +
                          L" for the " + seconds +
                          L" seconds the uninstaller waited.\n\nNothing was removed. Start the "
                          L"uninstaller again when that run has finished.";
    } else if (state == State::Untrusted) {
        refusal.exitCode = kExitAnotherRunning;
        refusal.why = L"the name of " + which +
                      L" is taken by an object that others than the administrators may take or "
                      L"change (" +
                      who +
                      L"), so no one can tell whether another run is in progress; sign that "
                      L"account out or restart the computer, then start the uninstaller again";
        refusal.boxText = L"The uninstaller cannot tell whether another installation or removal "
                          L"is in progress: the name of " +
                          which +
                          L" is taken by an object that others than the administrators may take "
                          L"or change (" +
                          who +
                          L").\n\nNothing was removed. Sign that account out or restart the "
                          L"computer, then start the uninstaller again.";
    } else if (state == State::NotAdministrator) {
        // Whether another run holds the lock or not, this one could not have taken it.
        refusal.exitCode = kExitNothingRemoved;
        refusal.why = L"this run has no administrator rights, and only administrators may take " +
                      which + L"; start the uninstaller as an administrator";
        refusal.boxText = L"The uninstaller runs without administrator rights, and only "
                          L"administrators may take " +
                          which +
                          L", which keeps two runs apart.\n\nNothing was removed. Start the "
                          L"uninstaller as an administrator (Run as administrator).";
    } else {
        const std::wstring text = ansiToWide(systemErrorText(error));
        refusal.exitCode = kExitNothingRemoved;
        refusal.why = L"the uninstaller cannot make " + which + L", which keeps two runs apart: " +
                      text + L"; start the uninstaller as an administrator";
        refusal.boxText = L"The uninstaller cannot make " + which +
                          L", which keeps two runs apart: " + text +
                          L"\n\nNothing was removed. Start the uninstaller as an administrator.";
    }
    return refusal;
}
