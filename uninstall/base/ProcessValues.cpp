#include "ProcessValues.h"

#include "base/DirectoryText.h"
#include "base/ModulePath.h"

std::string applicationDirectory;
HINSTANCE instanceHandle = nullptr;
const char* const windowClassName = "Setupwerk";
UninstallWindow* mainWindow = nullptr;
DWORD relayProcessId = 0;
HANDLE ownProgramFile = nullptr;
std::string relayedProgram;
bool unattended = false;
win32::RunningAccount trustedAccount;

std::string programDirectory() {
    return cutAfterLastBackslash(modulePath());
}

void setApplicationDirectory(const std::string& text) {
    applicationDirectory = cutAfterLastBackslash(text);
}
