#include "CommandLine.h"
#include "MainStage.h"
#include "RelayStage.h"
#include "StartupMode.h"
#include "UnregistrationMode.h"

#include <windows.h>

// The command-line string and show value are not used: the arguments are read again as
// Unicode, and the mode comes from their count.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CommandLine line;
    const int count = line.count();
    switch (startupModeFor(count, count > 1 ? line.ansi()[1] : nullptr)) {
    case StartupMode::Unregistration:
        return runUnregistrationMode(line.ansi());
    case StartupMode::MainStage:
        return runMainStage(count, line.ansi(), line.utf8(), instance);
    case StartupMode::Relay:
        break;
    }
    return runRelayStage(count, line.ansi(), line.utf8());
}
