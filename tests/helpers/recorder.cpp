// Test helper started as a pre-uninstall program: records how it was started (command line,
// current directory, show-window value) in the file that RECORDER_OUT names, and whether the
// file RECORDER_CHECK names exists at that moment; with RECORDER_ENVIRONMENT, its environment,
// one variable a line, in the file that names; with RECORDER_SLEEP_MS it then sleeps and
// writes RECORDER_OUT.done. A setting missing from its environment (the uninstaller starts it
// with the system's alone) is read from the file the tests keep in the Windows folder's Temp.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string setting(const char* name) {
    if (const char* value = std::getenv(name))
        return value;
    char windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    std::ifstream settings(std::string(windows) + "\\Temp\\recorder-settings.txt");
    const std::string prefix = std::string(name) + "=";
    for (std::string line; std::getline(settings, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line.substr(prefix.size());
    }
    return std::string();
}

} // namespace

int main() {
    const std::string out = setting("RECORDER_OUT");
    if (out.empty())
        return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    const std::string environment = setting("RECORDER_ENVIRONMENT");
    if (std::FILE* file = environment.empty() ? nullptr : std::fopen(environment.c_str(), "wb")) {
        if (char* block = GetEnvironmentStringsA()) {
            for (const char* variable = block; *variable != '\0';
                 variable += std::string(variable).size() + 1)
                std::fprintf(file, "%s\n", variable);
            FreeEnvironmentStringsA(block);
        }
        std::fclose(file);
    }
    if (std::FILE* file = std::fopen(out.c_str(), "wb")) {
        std::fprintf(file, "%s\n%s\n%d\n", GetCommandLineA(), directory,
                     (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1);
        const std::string check = setting("RECORDER_CHECK");
        if (!check.empty())
            std::fprintf(file, "%s\n",
                         GetFileAttributesA(check.c_str()) != INVALID_FILE_ATTRIBUTES ? "present"
                                                                                      : "absent");
        std::fclose(file);
    }
    const std::string sleep = setting("RECORDER_SLEEP_MS");
    if (!sleep.empty()) {
        Sleep(static_cast<DWORD>(std::atoi(sleep.c_str())));
        if (std::FILE* done = std::fopen((out + ".done").c_str(), "wb"))
            std::fclose(done);
    }
    return 0;
}
