#pragma once

#include <windows.h>

// The relayed copy: started with "<copy>" <relay handle> "<program>" "<application dir> ".
// Returns the process exit code.
int runMainStage(char** arguments, HINSTANCE instance);
