#pragma once

#include <windows.h>

// The relayed copy: started with "<copy>" <relay handle> "<program>" "<application dir> ",
// followed by the options the relay was given (`options`: the same arguments in UTF-8). Returns
// the process exit code.
int runMainStage(int count, char** arguments, char** options, HINSTANCE instance);
