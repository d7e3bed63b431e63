#include "StartupMode.h"

#include "base/Options.h"

StartupMode startupModeFor(int argumentCount) {
    if (argumentCount == 2)
        return StartupMode::Unregistration;
    if (argumentCount >= 4)
        return StartupMode::MainStage;
    return StartupMode::Relay;
}

StartupMode startupModeFor(int argumentCount, const char* firstArgument) {
    if (argumentCount >= 2 && isOption(firstArgument))
        return StartupMode::Relay;
    return startupModeFor(argumentCount);
}
