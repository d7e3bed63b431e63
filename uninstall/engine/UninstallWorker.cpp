#include "UninstallWorker.h"

#include "PathRules.h"
#include "PreUninstallProgram.h"
#include "ProtectedFolders.h"
#include "RegistryEntry.h"
#include "RestartRemoval.h"
#include "SharedFiles.h"
#include "TrustedCode.h"
#include "base/ModulePath.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "base/UserMessage.h"
#include "setuplog/SetupLog.h"
#include "win32/FileIdentity.h"
#include "win32/Handles.h"
#include "win32/Process.h"

// Upward, by design: the worker asks its questions in dialogs of its own, steps the progress
// dialog that started it, and reports to the model; its texts come from the catalogue.
#include "ui/Dialogs.h"
#include "ui/HeldException.h"
#include "ui/MessageCatalogue.h"
#include "ui/Model.h"
#include "ui/ResourceIds.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

namespace {

using Outcome = UninstallReport::Outcome;

constexpr DWORD kStagePauseMs = 200;
// Every section that steps the bar, REGVALUES included, so that the bar never wraps.
const char* const kCountedSections[] = {"SHAREDFILES", "STDFILES", "APPFILES", "APPFOLDERS",
                                        "APPDIR",      "REGENTRY", "REGVALUES"};

// The stages as the report names them: as the progress dialog labels them.
constexpr char kPreUninstallStage[] = "Pre-uninstall program";
constexpr char kComStage[] = "COM servers";
constexpr char kSharedStage[] = "Shared program files";
constexpr char kStandardStage[] = "Standard program files";
constexpr char kFilesStage[] = "Folder items";
constexpr char kFoldersStage[] = "Program folders";
constexpr char kDirectoriesStage[] = "Program directories";
constexpr char kRegistryStage[] = "Program registry entries";

constexpr char kAtRestart[] = "(in use: it goes at the next restart)";

} // namespace

UninstallWorker::UninstallWorker(HWND dialog, UninstallModel* model,
                                 const ProgressControl& progressBar)
    : dialog_(dialog), model_(model), progressBar_(progressBar) {}

void UninstallWorker::run() {
    try {
        sequence();
    } catch (...) {
        // The dialog would otherwise wait for a finish that never comes.
        if (dialog_ != nullptr)
            PostMessageA(dialog_, WM_COMMAND, CMD_ABORTED, 0);
        throw;
    }
}

void UninstallWorker::pause() {
    // The pauses are there for the eye; an unattended run has none.
    if (dialog_ != nullptr)
        thread::sleep(kStagePauseMs);
}

void UninstallWorker::step() {
    if (dialog_ != nullptr)
        SendMessageA(progressBar_.handle(), PBM_STEPIT, 0, 0);
}

void UninstallWorker::stageDone(unsigned command) {
    pause();
    if (dialog_ != nullptr)
        SendMessageA(dialog_, WM_COMMAND, command, 0);
}

void UninstallWorker::sequence() {
    const SetupLog log(applicationDirectory, "Setup.log");

    int total = 0;
    if (const SetupLog* counted = model_ != nullptr ? model_->setupLog() : nullptr) {
        for (const char* section : kCountedSections)
            total += counted->entryCount(section);
    }
    if (dialog_ != nullptr) {
        // One step per entry, so the bar never runs ahead of the work.
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(CMD_SET_STEP, 1), 0);
        SendMessageA(progressBar_.handle(), PBM_SETRANGE32, 0, total);
    }

    std::string product;
    log.value(product, "COMMON", "Application_Name", "", false);
    journal_.open(applicationDirectory, product); // without it, no count is given back

    runPreUninstallProgram(log);
    unregisterServers(log);
    releaseSharedFiles(log, "SHAREDFILES", kSharedStage);
    stageDone(CMD_SHARED_DONE);
    releaseSharedFiles(log, "STDFILES", kStandardStage);
    stageDone(CMD_STANDARD_DONE);
    deleteFiles(log);
    stageDone(CMD_FILES_DONE);
    removeDirectories(log, "APPFOLDERS", kFoldersStage);
    stageDone(CMD_FOLDERS_DONE);
    deleteOwnFiles();
    removeJournal();
    removeDirectories(log, "APPDIR", kDirectoriesStage);
    stageDone(CMD_DIRECTORIES_DONE);
    deleteRegistryEntries(log);
    stageDone(CMD_REGISTRY_DONE);
    finished_ = true;
    if (dialog_ != nullptr) {
        SendMessageA(progressBar_.handle(), PBM_SETPOS, static_cast<WPARAM>(total), 0);
        PostMessageA(dialog_, WM_COMMAND, CMD_FINISHED, 0);
    }
}

void UninstallWorker::runPreUninstallProgram(const SetupLog& log) {
    std::string before;
    log.value(before, "RUNAPPS", "BeforeUninstall", "", false);
    if (before.empty())
        return;
    const PreUninstallProgram program(before, applicationDirectory, trustedAccount);
    const std::string path = program.programPath();
    const std::string refused = program.whyRefused();
    if (!refused.empty()) {
        if (model_ != nullptr)
            model_->report().unfinished(kPreUninstallStage, path, refused);
        return;
    }
    note(kPreUninstallStage, before,
         path.empty() ? std::string("not found: nothing started") : "started " + path);
    program.run();
}

void UninstallWorker::unregisterServers(const SetupLog& log) {
    std::string server;
    for (int i = 0; i < log.entryCount("REGDLLS"); ++i) {
        if (log.entry(server, "REGDLLS", i))
            note(kComStage, server, "handed to the unregistration mode");
    }
    // It tells what it did not unregister through a pipe given as its standard output.
    win32::Handle results, output;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    if (!CreatePipe(results.receive(), output.receive(), &inherited, 0) ||
        !SetHandleInformation(results.get(), HANDLE_FLAG_INHERIT, 0))
        output.reset();
    // The program once more, in its unregistration mode: the directory opened by a quote only,
    // so that its trailing backslash cannot escape a closing one.
    const std::string program = modulePath();
    // Only from the very file this run holds: anything put in its place meanwhile never runs.
    if (!win32::sameFile(ownProgramFile, program)) {
        record(kComStage, program, Outcome::Failed,
               "not proven to be this uninstaller's own file: nothing started");
        showMessage("Cannot unregister DLL", "Error", MB_OK);
        return;
    }
    win32::StartOptions options;
    options.inheritHandles = output.valid();
    options.output = output.get();
    const win32::Process process = win32::startProcess(
        program, win32::quoted(program) + " \"" + applicationDirectory, options);
    output.reset();
    if (!process) {
        record(kComStage, program, Outcome::Failed, systemErrorText(GetLastError()));
        showMessage("Cannot unregister DLL", "Error", MB_OK);
        return;
    }
    std::string told;
    char buffer[4096];
    DWORD read = 0;
    while (results && ReadFile(results.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        told.append(buffer, read);
    WaitForSingleObject(process.handle.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.handle.get(), &exitCode);
    note(kComStage, program,
         "unregistration mode ended with exit code " + std::to_string(exitCode));
    recordServerResults(log, told, exitCode);
}

// Each line "<position>\t<outcome>\t<why>" names a server by its place in the log, so that
// nothing of the log's text travels back and forth; "done" closes a run that went through.
// A server the mode never told of was not unregistered: it may have ended the process.
void UninstallWorker::recordServerResults(const SetupLog& log, const std::string& told,
                                          DWORD exitCode) {
    std::vector<bool> toldOf(static_cast<std::size_t>(log.entryCount("REGDLLS")), false);
    bool done = false;
    std::size_t start = 0;
    for (std::size_t end; (end = told.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = told.substr(start, end - start);
        done = done || line == "done";
        const std::size_t first = line.find('\t'), second = line.find('\t', first + 1);
        const int position = std::atoi(line.c_str());
        std::string server;
        if (first == std::string::npos || second == std::string::npos || position < 0 ||
            static_cast<std::size_t>(position) >= toldOf.size() ||
            !log.entry(server, "REGDLLS", position))
            continue;
        toldOf[static_cast<std::size_t>(position)] = true;
        const std::string kind = line.substr(first + 1, second - first - 1);
        const std::string why = line.substr(second + 1);
        if (kind == "kept" && model_ != nullptr)
            model_->report().unfinished(kComStage, server, why);
        else if (kind == "failed")
            record(kComStage, server, Outcome::Failed, why);
    }
    if (done)
        return;
    std::string server;
    for (std::size_t i = 0; i < toldOf.size(); ++i) {
        if (!toldOf[i] && log.entry(server, "REGDLLS", static_cast<int>(i)))
            record(kComStage, server, Outcome::Failed,
                   "the unregistration mode ended before it, with exit code " +
                       std::to_string(exitCode));
    }
}

// The uninstaller and its setup log stay where the registration expects them until the last
// stage: a run stopped before then is finished by starting the registered command again.
bool UninstallWorker::isOwnFile(const std::string& path) const {
    return samePath(path, applicationDirectory + "Setup.log") ||
           (!relayedProgram.empty() && samePath(path, relayedProgram));
}

void UninstallWorker::deleteFiles(const SetupLog& log) {
    std::string path;
    for (int i = 0; i < log.entryCount("APPFILES"); ++i) {
        if (log.entry(path, "APPFILES", i)) {
            if (isOwnFile(path))
                ownFiles_.push_back(path);
            else
                deleteFile(path);
        }
        step();
    }
}

// The setup log before the program: a run stopped in between refuses to start for want of a
// log, rather than giving anything back twice.
void UninstallWorker::deleteOwnFiles() {
    std::stable_partition(ownFiles_.begin(), ownFiles_.end(), [](const std::string& path) {
        return samePath(path, applicationDirectory + "Setup.log");
    });
    for (const std::string& path : ownFiles_) {
        if (samePath(path, relayedProgram) && beforeOwnProgram_)
            beforeOwnProgram_();
        deleteFile(path);
    }
}

void UninstallWorker::deleteFile(const std::string& path) {
    Removal removal = isPlainAbsolutePath(path) ? removeFileChecked(path, true) : Removal{};
    // A running program of the product holds it: it goes at the next restart, after the
    // same checks, so the product never stays half-removed.
    if (removal.outcome == Removal::Outcome::Failed && waitsForRestart(removal.error))
        removal = deleteNowOrAtRestart(path, trustedAccount);
    // A run that was stopped may have taken the file's folder already.
    if (removal.outcome == Removal::Outcome::Failed && removal.error == ERROR_PATH_NOT_FOUND &&
        journal_.resumed())
        removal.outcome = Removal::Outcome::Missing;
    if (removal.outcome == Removal::Outcome::Removed) {
        record(kFilesStage, path, Outcome::Removed);
    } else if (removal.outcome == Removal::Outcome::Missing) {
        record(kFilesStage, path, Outcome::NotFound);
    } else if (removal.outcome == Removal::Outcome::Scheduled) {
        scheduledForRestart(kFilesStage, path);
    } else {
        problem(1403, path);
        if (isPlainAbsolutePath(path))
            recordFailure(kFilesStage, path, removal);
        else
            record(kFilesStage, path, Outcome::Failed, kNotPlain);
    }
}

void UninstallWorker::scheduledForRestart(const char* stage, const std::string& path, int message) {
    scheduled_.push_back(path);
    if (model_ != nullptr)
        model_->problems().push_back(messageText(message) + " \"" + path + "\" " +
                                     messageTextOr(kTextAtRestart, kAtRestart));
    record(stage, path, Outcome::Scheduled);
}

// True when everything left in the folder (if anything) goes at the next restart, so that the
// system can remove the folder after it; anything else in it keeps it as it is.
bool UninstallWorker::holdsOnlyScheduled(const std::string& folder) const {
    WIN32_FIND_DATAA found;
    const win32::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search)
        return false;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        const bool scheduled = std::any_of(scheduled_.begin(), scheduled_.end(),
                                           [&](const std::string& s) { return samePath(s, path); });
        if (!scheduled)
            return false;
    } while (FindNextFileA(search.get(), &found));
    return true;
}

// The journal goes last before the application directory: until then a stopped run may still
// be started again.
void UninstallWorker::removeJournal() {
    DWORD error = ERROR_SUCCESS;
    if (journal_.remove(error))
        return;
    const std::string path = UninstallJournal::pathIn(applicationDirectory);
    problem(1403, path);
    record(kDirectoriesStage, path, Outcome::Failed, systemErrorText(error));
}

void UninstallWorker::removeDirectories(const SetupLog& log, const char* section,
                                        const char* stage) {
    std::string path;
    for (int i = 0; i < log.entryCount(section); ++i) {
        if (log.entry(path, section, i)) {
            if (!isPlainAbsolutePath(path)) {
                problem(1402, path);
                record(stage, path, Outcome::Failed, kNotPlain);
            } else if (isProtectedFolder(path)) {
                problem(1402, path);
                record(stage, path, Outcome::Failed, kProtected);
            } else if (othersMayChangeFolder(path, trustedAccount)) {
                // Setup makes every folder the Administrators' own, the ones above the
                // application directory too: one that someone else owns or may change was
                // made by them, or given to them, whatever the log says.
                problem(1402, path);
                if (model_ != nullptr)
                    model_->report().unfinished(stage, path, kNotAdministratorsFolder);
            } else {
                const Removal removal = removeFolderChecked(path);
                if (removal.outcome == Removal::Outcome::Removed) {
                    record(stage, path, Outcome::Removed);
                } else if (removal.outcome == Removal::Outcome::Failed &&
                           (removal.error == ERROR_DIR_NOT_EMPTY ||
                            waitsForRestart(removal.error)) &&
                           holdsOnlyScheduled(path) &&
                           scheduleFolderAtRestart(path, trustedAccount)) {
                    // The system removes it after the files in it, once it is empty.
                    scheduledForRestart(stage, path, 1402);
                } else {
                    // Listed whatever the reason, a missing folder too, except where a run
                    // that was stopped took it already.
                    const bool missing = removal.outcome == Removal::Outcome::Missing ||
                                         removal.error == ERROR_PATH_NOT_FOUND;
                    if (!missing || !journal_.resumed())
                        problem(1402, path);
                    if (missing)
                        record(stage, path, Outcome::NotFound);
                    else
                        recordFailure(stage, path, removal);
                }
            }
        }
        step();
    }
}

void UninstallWorker::deleteRegistryEntries(const SetupLog& log) {
    RegistryEntry registry;
    std::string entry;
    const auto recordRegistry = [this](const std::string& item, const RegistryRemoval& removal) {
        if (removal.refused)
            record(kRegistryStage, item, Outcome::Kept, "protected, or no known root key");
        else if (removal.link && model_ != nullptr)
            model_->report().unfinished(kRegistryStage, item, "a registry link: not followed");
        else if (removal.error == ERROR_SUCCESS)
            record(kRegistryStage, item, Outcome::Removed);
        else if (removal.error == ERROR_FILE_NOT_FOUND)
            record(kRegistryStage, item, Outcome::NotFound);
        else
            record(kRegistryStage, item, Outcome::Failed,
                   systemErrorText(static_cast<DWORD>(removal.error)));
    };
    for (int i = 0; i < log.entryCount("REGENTRY"); ++i) {
        if (log.entry(entry, "REGENTRY", i))
            recordRegistry(entry, registry.deleteKey(entry));
        pause();
        step();
    }
    for (int i = 0; i < log.entryCount("REGVALUES"); ++i) {
        if (log.entry(entry, "REGVALUES", i))
            recordRegistry(entry, registry.deleteValue(entry));
        pause();
        step();
    }
}

void UninstallWorker::problem(int message, const std::string& path) {
    if (model_ != nullptr)
        model_->problems().push_back(messageText(message) + " \"" + path + "\"");
}

void UninstallWorker::record(const char* stage, const std::string& item, Outcome outcome,
                             const std::string& detail) {
    if (model_ != nullptr)
        model_->report().item(stage, item, outcome, detail);
}

void UninstallWorker::recordFailure(const char* stage, const std::string& item,
                                    const Removal& removal) {
    record(stage, item, Outcome::Failed,
           removal.outcome == Removal::Outcome::Redirected ? "leads elsewhere through a link"
                                                           : systemErrorText(removal.error));
}

void UninstallWorker::note(const char* stage, const std::string& item, const std::string& text) {
    if (model_ != nullptr)
        model_->report().note(stage, item, text);
}
