#pragma once

#include "setuplog/SetupLog.h"

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// The entries of a section of the setup log, in order.
std::vector<std::string> entries(const SetupLog& log, const char* section);

// The registry root a REGENTRY or REGVALUES record names, and the key below it; null root
// for a record without one.
HKEY recordRoot(const std::string& record, std::string& keyPath, std::string* valueName = nullptr);

// Puts a test product where the setup log says it is, as a setup program would have left it:
// its files and folders, the shared files with use counts 1, 2, 3... in order, the registry
// keys and values, and the uninstaller, glossary and database from `binaries` beside the log
// (`logBytes`, saved as Setup.log in the application directory). A file the user added after
// the installation stands in the first of the folders, so that folder must stay.
void installFromSetupLog(const SetupLog& log, const std::string& logBytes,
                         const std::string& binaries);

// The use count the system keeps for a shared file; -1 when it has none.
int sharedUseCount(const std::string& file);

} // namespace driver
