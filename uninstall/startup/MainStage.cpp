#include "MainStage.h"

#include "ProcessValues.h"
#include "win32/ScopedHandle.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Copies are started from the temporary directory; only position 0 is never a separator.
std::string directoryOfCopy(const std::string& copyPath) {
    const std::size_t last = copyPath.rfind('\\');
    return last == std::string::npos || last == 0 ? copyPath : copyPath.substr(0, last);
}

} // namespace

int runMainStage(char** arguments, HINSTANCE instance) {
    // Until the relay has ended, the program file the user started is still in use.
    {
        const auto relay = static_cast<std::intptr_t>(std::atoi(arguments[1]));
        const ScopedHandle relayProcess(reinterpret_cast<HANDLE>(relay));
        WaitForSingleObject(relayProcess.get(), INFINITE);
    }
    SetCurrentDirectoryA(directoryOfCopy(arguments[0]).c_str());
    setApplicationDirectory(arguments[3]);
    instanceHandle = instance;

    // The application window, the dialogs and the removal are not built yet: end as a
    // failed run rather than pretend that anything was removed.
    return -1;
}
