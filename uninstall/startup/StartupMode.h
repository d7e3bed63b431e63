#pragma once

// What a process of uninstall.exe does, chosen by the C runtime's argument count.
enum class StartupMode {
    Relay,          // started by the user: hand over to a copy in the temporary directory
    Unregistration, // one argument, the application directory: unregister the COM servers
    MainStage,      // the copy, started with the relay command line
};

StartupMode startupModeFor(int argumentCount);
