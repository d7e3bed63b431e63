// Test helper started as a pre-uninstall program: records how it was started (command line,
// current directory, show-window value) in the file that RECORDER_OUT names, and whether the
// file RECORDER_CHECK names exists at that moment; with RECORDER_SLEEP_MS it then sleeps and
// writes RECORDER_OUT.done.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    const char* out = std::getenv("RECORDER_OUT");
    if (out == nullptr)
        return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    if (std::FILE* file = std::fopen(out, "wb")) {
        std::fprintf(file, "%s\n%s\n%d\n", GetCommandLineA(), directory,
                     (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1);
        if (const char* check = std::getenv("RECORDER_CHECK"))
            std::fprintf(file, "%s\n",
                         GetFileAttributesA(check) != INVALID_FILE_ATTRIBUTES ? "present"
                                                                              : "absent");
        std::fclose(file);
    }
    if (const char* sleep = std::getenv("RECORDER_SLEEP_MS")) {
        Sleep(static_cast<DWORD>(std::atoi(sleep)));
        if (std::FILE* done = std::fopen((std::string(out) + ".done").c_str(), "wb"))
            std::fclose(done);
    }
    return 0;
}
