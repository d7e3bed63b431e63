// The shared files' stage: a use count given back for each file the log names, and the file
// removed when no other product uses it and the user agrees.
#include "UninstallWorker.h"

#include "CheckedRemoval.h"
#include "PathRules.h"
#include "ProtectedFolders.h"
#include "RestartRemoval.h"
#include "SharedFiles.h"
#include "base/ProcessValues.h"
#include "setuplog/SetupLog.h"

// Upward, by design, as the rest of the worker: the question is a dialog of its own.
#include "ui/Dialogs.h"
#include "ui/HeldException.h"
#include "ui/Model.h"
#include "ui/ResourceIds.h"

using Outcome = UninstallReport::Outcome;

bool UninstallWorker::askRemoveShared(const std::string& path) {
    if (dialog_ == nullptr)
        return model_ != nullptr && model_->options().removeShared;
    if (!applyToAll_) {
        const INT_PTR answer =
            DialogBoxParamW(instanceHandle, MAKEINTRESOURCEW(IDD_SHARED_FILE), dialog_,
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

void UninstallWorker::releaseSharedFiles(const SetupLog& log, const char* section,
                                         const char* stage) {
    std::string path;
    for (int i = 0; i < log.entryCount(section); ++i) {
        bool present = false;
        if (log.entry(path, section, i) && sharedFileMayBeReleased(stage, path, present))
            releaseSharedFile(section, i, stage, path, present);
        step();
    }
}

// A use count is given back only for the very file that the log names: anything kept here
// keeps its count too.
bool UninstallWorker::sharedFileMayBeReleased(const char* stage, const std::string& path,
                                              bool& present) {
    if (!isPlainAbsolutePath(path)) {
        problem(1403, path);
        record(stage, path, Outcome::Failed, kNotPlain);
        return false;
    }
    if (isProtectedFolder(path)) {
        problem(1403, path);
        record(stage, path, Outcome::Failed, kProtected);
        return false;
    }
    const Removal check = checkFileInPlace(path);
    if (check.outcome == Removal::Outcome::Redirected ||
        check.outcome == Removal::Outcome::Failed) {
        problem(1403, path);
        recordFailure(stage, path, check);
        return false;
    }
    // Seen through the check's own handle: a file someone holds for writing is still there.
    present = check.outcome != Removal::Outcome::Missing;
    return true;
}

// One use of the file given back, once over all runs however often they are stopped: the
// journal holds each change before and after it is made. The count as it then stands.
int UninstallWorker::giveBackUse(const char* section, int position, const std::string& path) {
    const int current = sharedUseCount(path);
    if (current < 0 || journal_.released(section, position, path))
        return current;
    if (!journal_.begin(section, position, path, current))
        return kCountUnusable; // unrecorded, a change could be made twice
    const int uses = ::releaseSharedFile(path);
    if (uses >= 0)
        journal_.done(section, position, path, uses);
    return uses;
}

void UninstallWorker::releaseSharedFile(const char* section, int position, const char* stage,
                                        const std::string& path, bool present) {
    const int uses = giveBackUse(section, position, path);
    if (uses == kNoCount)
        removeSharedFile(stage, path, false);
    else if (uses == kCountUnusable)
        record(stage, path, Outcome::Kept, "its use count cannot be read or used");
    else if (uses > 0)
        record(stage, path, Outcome::Kept,
               "still used by " + std::to_string(uses) + " other products");
    else if (!present)
        record(stage, path, Outcome::NotFound);
    else if (askRemoveShared(path))
        removeSharedFile(stage, path, true);
    else
        record(stage, path, Outcome::Kept, "answered No");
}

void UninstallWorker::removeSharedFile(const char* stage, const std::string& path,
                                       bool forgetCount) {
    const Removal removal = deleteNowOrAtRestart(path, trustedAccount);
    switch (removal.outcome) {
    case Removal::Outcome::Removed:
        record(stage, path, Outcome::Removed);
        break;
    case Removal::Outcome::Missing:
        record(stage, path, Outcome::NotFound);
        break;
    case Removal::Outcome::Scheduled:
        scheduled_.push_back(path);
        record(stage, path, Outcome::Scheduled);
        break;
    case Removal::Outcome::Redirected:
    case Removal::Outcome::Failed:
        // Kept, and so is its count.
        problem(1403, path);
        recordFailure(stage, path, removal);
        return;
    }
    if (forgetCount)
        forgetSharedFile(path);
}
