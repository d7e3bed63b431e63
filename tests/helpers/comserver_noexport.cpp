// Test library without a DllUnregisterServer export.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    return S_OK;
}
