// Test COM server whose DllUnregisterServer writes through a null pointer.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return S_OK;
}
