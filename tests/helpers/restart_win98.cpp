// Test helper for the removal at restart on the 95 family: Wine reports Windows 98 to this
// program (a per-program setting made by the test), which is what the engine asks.
//   restart_win98 platform              prints the platform id GetVersionExA reports
//   restart_win98 delete <path>         deleteNowOrAtRestart
//   restart_win98 wininit <path> [new]  addWinInitRename, exit code 1 when it wrote, 0 if not
//   restart_win98 move <path>           moveAtRestart, exit code 1 when it scheduled
#include "engine/RestartRemoval.h"
#include "win32/LabelProbe.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "platform") == 0) {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExA(&version);
        std::printf("%lu\n", version.dwPlatformId);
        return static_cast<int>(version.dwPlatformId);
    }
    if (argc < 3)
        return 100;
    const std::string command = argv[1], path = argv[2];
    const std::string newPath = argc > 3 ? argv[3] : "";
    if (command == "delete") {
        deleteNowOrAtRestart(path, win32::runningAccount(win32::systemKeepsLabels()));
        return 0;
    }
    if (command == "wininit")
        return addWinInitRename(path, argc > 3 ? &newPath : nullptr) ? 1 : 0;
    if (command == "move")
        return moveAtRestart(path) ? 1 : 0;
    return 100;
}
