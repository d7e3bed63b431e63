#include "OwnFiles.h"

#include "PrivateFolder.h"
#include "PrivateFolderName.h"
#include "base/ProcessValues.h"
#include "engine/RestartRemoval.h"

namespace {

// The boot deletes by name: only in a folder of ours on a way that no one else may reroute.
bool mayGoAtRestart(const std::string& copy) {
    return liesInPrivateFolder(copy, privateFolderRoot()) &&
           !othersMayReroute(copy, trustedAccount);
}

std::string folderOf(const std::string& path) {
    const std::size_t last = path.rfind('\\');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

} // namespace

bool scheduleCopyRemoval(const std::string& copy) {
    if (!mayGoAtRestart(copy))
        return false;
    if (MoveFileExA(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        MoveFileExA(folderOf(copy).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    else
        addWinInitRename(copy);
    return true;
}

bool moveOriginalAside(const std::string& original, const std::string& copy, std::string& movedTo,
                       DWORD& error) {
    error = ERROR_SUCCESS;
    const std::size_t name = original.rfind('\\');
    if (!mayGoAtRestart(copy) || name == std::string::npos) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    movedTo = folderOf(copy) + original.substr(name);
    // No copying across volumes: a copy would leave the running original where it is.
    if (!MoveFileExA(original.c_str(), movedTo.c_str(), 0)) {
        error = GetLastError();
        return false;
    }
    MoveFileExA(movedTo.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return true;
}
