#pragma once

#include "CheckedRemoval.h"
#include "UninstallJournal.h"
#include "UninstallReport.h"
#include "thread/Thread.h"
#include "ui/Dialog.h" // upward, by design: the worker reports to the dialog that started it

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class SetupLog;
class UninstallModel;

// The worker thread of the progress dialog: removes the product stage by stage and reports by
// messages only. The dialog owns it and deletes it after the thread has ended. An unattended
// run gives it no dialog: then it pauses for no one, asks no one (the run's options answer the
// shared-file question) and sends no messages. Either way every item goes to the run's report.
class UninstallWorker : public thread::Thread {
public:
    UninstallWorker(HWND dialog, UninstallModel* model, const ProgressControl& progressBar);
    void run() override;
    // True once the whole sequence has run; false after an abort.
    bool finished() const { return finished_; }
    // Called just before the program file that the relay ran is deleted, in the last stage:
    // an unattended relay still runs it, so it must first be moved out of the way.
    void beforeOwnProgram(std::function<void()> hook) { beforeOwnProgram_ = std::move(hook); }

private:
    // Why an item named by the log is kept, as the report says it.
    static constexpr char kNotPlain[] = "not a plain absolute path";
    static constexpr char kProtected[] = "a folder that the system or the user owns";
    static constexpr char kNotAdministratorsFolder[] =
        "not an administrators' folder: others than the administrators own it or may change it";

    void sequence();
    void pause();
    void stageDone(unsigned command);
    void step();
    void runPreUninstallProgram(const SetupLog& log);
    void unregisterServers(const SetupLog& log);
    void recordServerResults(const SetupLog& log, const std::string& told, DWORD exitCode);
    void releaseSharedFiles(const SetupLog& log, const char* section, const char* stage);
    bool sharedFileMayBeReleased(const char* stage, const std::string& path, bool& present);
    void releaseSharedFile(const char* section, int position, const char* stage,
                           const std::string& path, bool present);
    int giveBackUse(const char* section, int position, const std::string& path);
    void removeJournal();
    void removeSharedFile(const char* stage, const std::string& path, bool forgetCount);
    bool askRemoveShared(const std::string& path);
    bool isOwnFile(const std::string& path) const;
    void deleteFiles(const SetupLog& log);
    void deleteOwnFiles();
    void deleteFile(const std::string& path);
    // `message`: the problem line's text, 1403 for a file, 1402 for a folder.
    void scheduledForRestart(const char* stage, const std::string& path, int message = 1403);
    bool holdsOnlyScheduled(const std::string& folder) const;
    void removeDirectories(const SetupLog& log, const char* section, const char* stage);
    void deleteRegistryEntries(const SetupLog& log);
    void problem(int message, const std::string& path);
    void record(const char* stage, const std::string& item, UninstallReport::Outcome outcome,
                const std::string& detail = std::string());
    void recordFailure(const char* stage, const std::string& item, const Removal& removal);
    void note(const char* stage, const std::string& item, const std::string& text);

    HWND dialog_;
    UninstallModel* model_;
    const ProgressControl& progressBar_;
    bool applyToAll_ = false;
    bool removeShared_ = false;
    bool finished_ = false;
    std::vector<std::string> scheduled_; // files that go at the next restart
    std::vector<std::string> ownFiles_;  // the uninstaller's and its log, kept for the end
    std::function<void()> beforeOwnProgram_;
    UninstallJournal journal_;
};
