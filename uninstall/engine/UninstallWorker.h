#pragma once

#include "thread/Thread.h"
#include "ui/Dialog.h"

#include <windows.h>

#include <string>

class SetupLog;
class UninstallModel;

// The worker thread of the progress dialog: removes the product stage by stage and reports by
// messages only. The dialog owns it and deletes it after the thread has ended.
class UninstallWorker : public thread::Thread {
public:
    UninstallWorker(HWND dialog, UninstallModel* model, const ProgressControl& progressBar);
    void run() override;

private:
    void sequence();
    void stageDone(unsigned command);
    void step();
    void unregisterServers();
    void releaseSharedFiles(const SetupLog& log, const char* section);
    bool askRemoveShared(const std::string& path);
    void deleteFiles(const SetupLog& log);
    void removeDirectories(const SetupLog& log, const char* section);
    void deleteRegistryEntries(const SetupLog& log);
    void problem(int message, const std::string& path);

    HWND dialog_;
    UninstallModel* model_;
    const ProgressControl& progressBar_;
    bool applyToAll_ = false;
    bool removeShared_ = false;
};
