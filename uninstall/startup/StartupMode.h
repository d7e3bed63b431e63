#pragma once

// What a process of uninstall.exe does, chosen by the C runtime's argument count.
enum class StartupMode {
    Relay, // started by the user (or a tool): hand over to a copy in the temporary directory
    Unregistration, // one argument, the application directory: unregister the COM servers
    MainStage,      // the copy, started with the relay command line
};

StartupMode startupModeFor(int argumentCount);

// The same, except that a first argument that is an option ("/S", "-S"...) always means the
// relay stage, whatever the count: an option is never the unregistration mode's directory.
StartupMode startupModeFor(int argumentCount, const char* firstArgument);
