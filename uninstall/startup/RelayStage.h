#pragma once

// Copies the program into a private folder of the temporary directory and starts the copy
// with the relay command line, followed by the options when the first argument is one.
// Returns -1 once the copy holds the run lock (or has ended, or failed to start); an unattended
// run ("/S") waits for the copy instead and returns its exit code, so that whoever started it
// waits for the whole uninstall. Unknown options end it with 87 before anything is copied.
// `options` holds the same arguments in UTF-8, from which the options are read and handed on to the
// copy.
int runRelayStage(int count, char** arguments, char** options);
