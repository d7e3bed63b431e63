// Test COM server whose DllUnregisterServer lets a C++ exception escape.
#include <windows.h>

#include <stdexcept>

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    throw std::runtime_error("unregistration failed");
}
