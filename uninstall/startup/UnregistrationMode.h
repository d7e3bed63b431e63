#pragma once

// Started by the uninstall sequence with the application directory as its one argument.
// Returns the process exit code: 0 when every server was unregistered, 1 when the setup log
// could not be read, 2 when a server was kept or failed (each told on standard output), 87
// when the argument is no absolute directory path.
int runUnregistrationMode(char** arguments);
