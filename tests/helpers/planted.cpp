// A library planted beside the temporary copy under the name of a system library: if it is
// ever loaded, it leaves its mark in the file that PLANTED_OUT names.
#include "win32/Handles.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char out[MAX_PATH] = {};
        if (GetEnvironmentVariableA("PLANTED_OUT", out, MAX_PATH) > 0) {
            const win32::Handle mark(CreateFileA(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        }
    }
    return TRUE;
}
