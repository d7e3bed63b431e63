#pragma once

#include <windows.h>

#include "Installation.h"

#include <string>

// The setup dialog: the destination folder (typed or browsed for), Install and Cancel, and a
// progress bar while the files are copied. Returns the setup program's exit code; a failure is
// told in a message box and the user may choose another folder.
// `request` gives the folder first offered and the options of the command line.
int runSetupDialog(HINSTANCE instance, const InstallRequest& request);
