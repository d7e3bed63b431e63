#include "StartupMode.h"

StartupMode startupModeFor(int argumentCount) {
    if (argumentCount == 2)
        return StartupMode::Unregistration;
    if (argumentCount >= 4)
        return StartupMode::MainStage;
    return StartupMode::Relay;
}
