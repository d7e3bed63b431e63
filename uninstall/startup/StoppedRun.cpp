#include "StoppedRun.h"

#include "RefusedStart.h"
#include "base/AppException.h"
#include "base/ModulePath.h"
#include "base/Options.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "base/UserMessage.h"
#include "engine/RegistryRecord.h"
#include "engine/UninstallJournal.h"
#include "engine/UninstallReport.h"
#include "recovery/Journal.h"
#include "recovery/JournalError.h"
#include "recovery/JournalReport.h"
#include "recovery/Utf8.h"
#include "setuplog/SetupLog.h"

namespace {

// What setup's recovery tells, as the uninstaller's report lines.
class RecoveryLines : public JournalReport {
public:
    explicit RecoveryLines(UninstallReport& report) : report_(report) {}
    void note(const char* stage, const std::wstring& item, const std::string& text) override {
        report_.note(stage, wideToAnsi(item), text);
    }
    void kept(const char* stage, const std::wstring& item, const std::wstring& why) override {
        report_.item(stage, wideToAnsi(item), UninstallReport::Outcome::Kept, wideToAnsi(why));
    }

private:
    UninstallReport& report_;
};

std::string utf8Of(const std::string& ansi) {
    return utf8(ansiToWide(ansi));
}

// Every entry of a section, in UTF-8.
void addEntries(const SetupLog& log, const char* section, std::vector<std::string>& to) {
    std::string entry;
    for (int i = 0; log.entry(entry, section, i); ++i)
        to.push_back(utf8Of(entry));
}

// What the setup log names is all that a stopped setup's journal may touch: the product's
// folders, its files and shared files, its keys under HKLM.
JournalScope scopeOf(const SetupLog& log) {
    JournalScope scope;
    scope.folders.push_back(utf8Of(applicationDirectory));
    addEntries(log, "APPDIR", scope.folders);
    addEntries(log, "APPFOLDERS", scope.folders);
    addEntries(log, "APPFILES", scope.files);
    addEntries(log, "SHAREDFILES", scope.files);
    std::string entry;
    for (int i = 0; log.entry(entry, "REGENTRY", i); ++i) {
        const RegistryRecord record = readRegistryRecord(entry, false);
        if (record.root == RegistryRecord::Root::LocalMachine && !record.refused)
            scope.keys.push_back(utf8Of(record.keyPath));
    }
    scope.logs.push_back(utf8Of(applicationDirectory + "Setup.log"));
    return scope;
}

} // namespace

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
                     ansiToWide(why) + L"\n\nNothing was removed.");
    return true;
}

bool refuseOrFinishStoppedSetup(UninstallReport& report, int& exitCode) {
    std::string product;
    JournalScope scope;
    try {
        const SetupLog log(applicationDirectory, "Setup.log");
        log.value(product, "COMMON", "Application_Name", "", false);
        scope = scopeOf(log);
    } catch (const AppException&) {
        return false; // the run says so when it reads the log
    }
    RecoveryLines lines(report);
    try {
        RecoveryOptions options;
        options.othersLeftAlone = true;
        // The program file that started this removal may be one the stopped setup replaced:
        // it goes with this copy's folder.
        const std::string copy = modulePath();
        options.inUseGoesTo = ansiToWide(copy.substr(0, copy.rfind('\\')));
        if (!Journal::recover(ansiToWide(product), scope, trustedAccount, &lines, options))
            return false;
    } catch (const JournalError& error) {
        tellRefusedStart(report, Journal::name(), "refused: " + wideToAnsi(error.message()),
                         error.message() + L"\n\nNothing was removed.");
        exitCode = kExitNothingRemoved;
        return true;
    }
    // A first installation stopped before its commit: undoing it removed the product.
    const std::string log = applicationDirectory + "Setup.log";
    if (GetFileAttributesA(log.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    report.note("Recovery", log, "gone with the stopped setup's undo: nothing left to remove");
    if (!unattended)
        showMessage(product + " was removed: its installation had been stopped, and undoing it "
                              "removed everything it had installed.",
                    product, MB_OK | MB_ICONINFORMATION);
    exitCode = report.exitCode();
    return true;
}
