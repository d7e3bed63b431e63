// Test COM server whose DllUnregisterServer appends a line to the file UNREG_OUT names, and
// changes the current directory, which its caller must put back.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    // From the process environment: the C runtime's copy may predate the caller's setting.
    char out[MAX_PATH] = {};
    if (GetEnvironmentVariableA("UNREG_OUT", out, MAX_PATH) > 0) {
        if (std::FILE* file = std::fopen(out, "ab")) {
            // With UNREG_CHECK, whether that file still exists when the server is called.
            char check[MAX_PATH] = {};
            const bool checked = GetEnvironmentVariableA("UNREG_CHECK", check, MAX_PATH) > 0;
            std::fputs(!checked ? "unregistered\n"
                       : GetFileAttributesA(check) != INVALID_FILE_ATTRIBUTES
                           ? "unregistered, present\n"
                           : "unregistered, absent\n",
                       file);
            std::fclose(file);
        }
    }
    SetCurrentDirectoryA("C:\\");
    return S_OK;
}
