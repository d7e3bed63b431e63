#include "UnattendedRun.h"

#include "OwnFiles.h"
#include "RunningPrograms.h"
#include "UninstallWindow.h"
#include "base/AppException.h"
#include "base/ComSession.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "engine/UninstallWorker.h"

namespace {

using Outcome = UninstallReport::Outcome;

constexpr char kStartStage[] = "Start";

int removedNothing(UninstallReport& report, const std::string& item, const std::string& why) {
    report.note(kStartStage, item, why);
    return kExitNothingRemoved;
}

} // namespace

int runUnattended(const std::string& copy, const std::string& original,
                  const UninstallOptions& options, UninstallReport& report) {
    const std::string log = applicationDirectory + "Setup.log";
    try {
        const ComSession com;
        // Never shown: it holds the model, through which the message texts are read.
        UninstallWindow window(options, report);
        mainWindow = &window;
        struct ClearMainWindow {
            ~ClearMainWindow() { mainWindow = nullptr; }
        } const clear;

        // Only when asked: an administrator's tool never closes a user's program by itself.
        const SetupLog* setupLog = window.model().setupLog();
        if (options.closeApps && setupLog != nullptr) {
            for (const RunningProgram& program :
                 closePrograms(runningProductPrograms(*setupLog, relayProcessId), kCloseTimeoutMs))
                report.item("Running programs", program.path, Outcome::Kept,
                            "in use by " + wideToAnsi(program.name));
        }

        const ProgressControl noBar;
        UninstallWorker worker(nullptr, &window.model(), noBar);
        // The relay still runs the program file the tool started; it stays in place for a
        // second run until the last stage, and then moves into the copy's folder, from which
        // the next restart deletes it. Where it cannot move (another volume), it waits for the
        // restart where it is.
        worker.beforeOwnProgram([&] {
            std::string movedTo;
            DWORD error = ERROR_SUCCESS;
            if (moveOriginalAside(original, copy, movedTo, error))
                report.note("Uninstaller", original,
                            "moved to " + movedTo + ", to be deleted at the next restart");
            else
                report.note("Uninstaller", original,
                            "cannot be moved out of the application directory: " +
                                systemErrorText(error));
        });
        worker.start();
        worker.wait();
        if (worker.finished())
            return report.exitCode();
        const bool anything = report.count(Outcome::Removed) + report.count(Outcome::Scheduled) > 0;
        report.note(kStartStage, log, "the run stopped before its end");
        return anything ? kExitSomeKept : kExitNothingRemoved;
    } catch (const FileException&) {
        return removedNothing(report, log, "missing, or cannot be read");
    } catch (const WinException& failure) {
        return removedNothing(report, failure.text, systemErrorText(failure.code));
    }
}
