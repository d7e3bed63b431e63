#pragma once

// Started by the uninstall sequence with the application directory as its one argument.
// Returns the process exit code.
int runUnregistrationMode(char** arguments);
