#include "UninstallWorker.h"

#include "CheckedRemoval.h"
#include "PathRules.h"
#include "PreUninstallProgram.h"
#include "ProtectedFolders.h"
#include "RegistryEntry.h"
#include "RestartRemoval.h"
#include "SharedFiles.h"
#include "setuplog/SetupLog.h"
#include "startup/MessageCatalogue.h"
#include "startup/ProcessValues.h"
#include "ui/Dialogs.h"
#include "ui/HeldException.h"
#include "ui/Model.h"
#include "ui/ResourceIds.h"
#include "win32/ModulePath.h"
#include "win32/ScopedHandle.h"

#include <commctrl.h>

namespace {

constexpr DWORD kStagePauseMs = 200;
// Every section that steps the bar, REGVALUES included, so that the bar never wraps.
const char* const kCountedSections[] = {"SHAREDFILES", "STDFILES", "APPFILES", "APPFOLDERS",
                                        "APPDIR",      "REGENTRY", "REGVALUES"};

} // namespace

UninstallWorker::UninstallWorker(HWND dialog, UninstallModel* model,
                                 const ProgressControl& progressBar)
    : dialog_(dialog), model_(model), progressBar_(progressBar) {}

void UninstallWorker::run() {
    try {
        sequence();
    } catch (...) {
        // The dialog would otherwise wait for a finish that never comes.
        PostMessageA(dialog_, WM_COMMAND, CMD_ABORTED, 0);
        throw;
    }
}

void UninstallWorker::step() {
    SendMessageA(progressBar_.handle(), PBM_STEPIT, 0, 0);
}

void UninstallWorker::stageDone(unsigned command) {
    thread::sleep(kStagePauseMs);
    SendMessageA(dialog_, WM_COMMAND, command, 0);
}

void UninstallWorker::sequence() {
    const SetupLog log(applicationDirectory, "Setup.log");

    int total = 0;
    if (const SetupLog* counted = model_ != nullptr ? model_->setupLog() : nullptr) {
        for (const char* section : kCountedSections)
            total += counted->entryCount(section);
    }
    // One step per entry, so the bar never runs ahead of the work.
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(CMD_SET_STEP, 1), 0);
    SendMessageA(progressBar_.handle(), PBM_SETRANGE32, 0, total);

    std::string before;
    log.value(before, "RUNAPPS", "BeforeUninstall", "", false);
    if (!before.empty())
        PreUninstallProgram(before, applicationDirectory).run();

    unregisterServers();
    releaseSharedFiles(log, "SHAREDFILES");
    stageDone(CMD_SHARED_DONE);
    releaseSharedFiles(log, "STDFILES");
    stageDone(CMD_STANDARD_DONE);
    deleteFiles(log);
    stageDone(CMD_FILES_DONE);
    removeDirectories(log, "APPFOLDERS");
    stageDone(CMD_FOLDERS_DONE);
    removeDirectories(log, "APPDIR");
    stageDone(CMD_DIRECTORIES_DONE);
    deleteRegistryEntries(log);
    stageDone(CMD_REGISTRY_DONE);
    SendMessageA(progressBar_.handle(), PBM_SETPOS, static_cast<WPARAM>(total), 0);
    PostMessageA(dialog_, WM_COMMAND, CMD_FINISHED, 0);
}

void UninstallWorker::unregisterServers() {
    // The program once more, in its unregistration mode: the directory opened by a quote only,
    // so that its trailing backslash cannot escape a closing one.
    std::string commandLine = "\"" + modulePath() + "\" \"" + applicationDirectory;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        MessageBoxA(nullptr, "Cannot unregister DLL", "Error", MB_OK);
        return;
    }
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
}

bool UninstallWorker::askRemoveShared(const std::string& path) {
    if (!applyToAll_) {
        const INT_PTR answer =
            DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_SHARED_FILE), dialog_,
                            sharedFileDialogProcedure, reinterpret_cast<LPARAM>(path.c_str()));
        rethrowHeldException();
        switch (answer) {
        case IDC_ANSWER_YES:
            removeShared_ = true;
            break;
        case IDC_ANSWER_NO:
            removeShared_ = false;
            break;
        case IDC_ANSWER_YES_TO_ALL:
            removeShared_ = applyToAll_ = true;
            break;
        case IDC_ANSWER_NO_TO_ALL:
            removeShared_ = false;
            applyToAll_ = true;
            break;
        default:
            break; // the answer in force applies
        }
    }
    return removeShared_;
}

void UninstallWorker::releaseSharedFiles(const SetupLog& log, const char* section) {
    std::string path;
    for (int i = 0; i < log.entryCount(section); ++i) {
        if (log.entry(path, section, i)) {
            if (!isPlainAbsolutePath(path)) {
                // Not a path we can vouch for: its count is not touched either.
                problem(1403, path);
            } else {
                const int uses = releaseSharedFile(path);
                if (uses == kNoCount) {
                    if (!deleteNowOrAtRestart(path))
                        problem(1403, path);
                } else if (uses == 0 && fileExists(path) && askRemoveShared(path)) {
                    if (deleteNowOrAtRestart(path))
                        forgetSharedFile(path);
                    else
                        problem(1403, path);
                }
                // kCountUnusable and n > 0: the file stays.
            }
        }
        step();
    }
}

void UninstallWorker::deleteFiles(const SetupLog& log) {
    std::string path;
    for (int i = 0; i < log.entryCount("APPFILES"); ++i) {
        if (log.entry(path, "APPFILES", i)) {
            const Removal removal =
                isPlainAbsolutePath(path) ? removeFileChecked(path, true) : Removal{};
            if (removal.outcome != Removal::Outcome::Removed &&
                removal.outcome != Removal::Outcome::Missing)
                problem(1403, path);
        }
        step();
    }
}

void UninstallWorker::removeDirectories(const SetupLog& log, const char* section) {
    std::string path;
    for (int i = 0; i < log.entryCount(section); ++i) {
        if (log.entry(path, section, i)) {
            const bool removable = isPlainAbsolutePath(path) && !isProtectedFolder(path);
            if (!removable || removeFolderChecked(path).outcome != Removal::Outcome::Removed)
                problem(1402, path);
        }
        step();
    }
}

void UninstallWorker::deleteRegistryEntries(const SetupLog& log) {
    RegistryEntry registry;
    std::string record;
    for (int i = 0; i < log.entryCount("REGENTRY"); ++i) {
        if (log.entry(record, "REGENTRY", i))
            registry.deleteKey(record);
        thread::sleep(kStagePauseMs);
        step();
    }
    for (int i = 0; i < log.entryCount("REGVALUES"); ++i) {
        if (log.entry(record, "REGVALUES", i))
            registry.deleteValue(record);
        thread::sleep(kStagePauseMs);
        step();
    }
}

void UninstallWorker::problem(int message, const std::string& path) {
    if (model_ != nullptr)
        model_->problems().push_back(messageText(message) + " \"" + path + "\"");
}
