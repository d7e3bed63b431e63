#pragma once

#include "Unique.h"

#include <objbase.h>

namespace win32 {

// A COM interface pointer, released at the end.
template <typename Interface> inline void releaseInterface(Interface* pointer) {
    pointer->Release();
}
template <typename Interface>
class ComPtr : public Unique<NullIsNone<Interface*, releaseInterface<Interface>>> {
public:
    Interface* operator->() const { return this->get(); }
    // For CoCreateInstance and QueryInterface, which fill in a void**.
    void** receiveVoid() { return reinterpret_cast<void**>(this->receive()); }
};

// Memory that COM handed over with CoTaskMemAlloc (a chosen folder's item list, a path).
template <typename Pointer> inline void freeTaskMemory(Pointer memory) {
    CoTaskMemFree(memory);
}
template <typename Pointer> using TaskMemory = Unique<NullIsNone<Pointer, freeTaskMemory<Pointer>>>;

} // namespace win32

namespace win32 {

// COM for the calling thread (single-threaded apartment) while this lives; only a start that
// succeeded is undone.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // S_OK for a first start on this thread, S_FALSE when it had COM already.
    HRESULT result() const { return result_; }
    bool ready() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

} // namespace win32
