#include "StoppedRun.h"

#include "RefusedStart.h"
#include "base/AppException.h"
#include "base/ProcessValues.h"
#include "engine/UninstallJournal.h"
#include "engine/UninstallReport.h"
#include "setuplog/SetupLog.h"

bool refuseForeignJournal(UninstallReport& report) {
    std::string product;
    try {
        const SetupLog log(applicationDirectory, "Setup.log");
        log.value(product, "COMMON", "Application_Name", "", false);
    } catch (const AppException&) {
        return false; // the run says so when it reads the log
    }
    std::string why;
    if (UninstallJournal::check(applicationDirectory, product, why))
        return false;
    tellRefusedStart(report, UninstallJournal::pathIn(applicationDirectory), "refused: " + why,
                     why + "\n\nNothing was removed.");
    return true;
}
