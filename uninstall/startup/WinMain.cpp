#include "MainStage.h"
#include "RelayStage.h"
#include "StartupMode.h"
#include "UnregistrationMode.h"

#include <windows.h>

#include <cstdlib>

// The command-line string and show value are not used: the mode comes from the runtime's
// argument count, and the arguments from its parsed copy.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    switch (startupModeFor(__argc, __argc > 1 ? __argv[1] : nullptr)) {
    case StartupMode::Unregistration:
        return runUnregistrationMode(__argv);
    case StartupMode::MainStage:
        return runMainStage(__argc, __argv, instance);
    case StartupMode::Relay:
        break;
    }
    return runRelayStage(__argc, __argv);
}
