// Test COM server that imports depend.dll and version.dll: its DllUnregisterServer writes to the
// file UNREG_OUT names which depend.dll the loader gave it. It also loads "plantme.dll" by its
// bare name, as careless servers do: the process that calls it decides where that is looked for.
#include "win32/Handles.h"

#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllimport) const char* dependencyMark();

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    // Any call will do: it makes the loader resolve version.dll for this server.
    GetFileVersionInfoSizeA("kernel32.dll", nullptr);
    const win32::Library careless(LoadLibraryA("plantme.dll"));
    char out[MAX_PATH] = {};
    if (GetEnvironmentVariableA("UNREG_OUT", out, MAX_PATH) > 0) {
        if (std::FILE* file = std::fopen(out, "ab")) {
            std::fprintf(file, "%s\n", dependencyMark());
            std::fclose(file);
        }
    }
    return S_OK;
}
