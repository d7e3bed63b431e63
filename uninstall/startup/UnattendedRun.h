#pragma once

#include "base/Options.h"
#include "engine/UninstallReport.h"

#include <string>

// The main stage of an unattended run ("/S"): nothing is shown, no window and no box. The
// stages run through the same worker as in an interactive run, on its own thread, with no
// dialog; the options answer the shared-file question. `original` is the program file that
// the user started, still running in the relay that waits for this copy. Returns the exit
// code: 0, 1, 2 or 3010 as the report's counts say (2 when nothing could be removed at all).
int runUnattended(const std::string& copy, const std::string& original,
                  const UninstallOptions& options, UninstallReport& report);
