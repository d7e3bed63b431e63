#pragma once
// What assistive technology reads of the glossary's controls, asked from another process.
#include "win32/Com.h"

#include <windows.h>

#include <oleacc.h>

#include <string>

namespace glossarytest {

// Spelled out: a static link's IID_IAccessible names the import, not the GUID.
constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

inline win32::ComPtr<IAccessible> accessibleOf(HWND control) {
    win32::ComPtr<IAccessible> object;
    AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                               object.receiveVoid());
    return object;
}

inline VARIANT child(long id) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_I4;
    variant.lVal = id;
    return variant;
}

inline std::wstring nameOf(IAccessible* object, long id = CHILDID_SELF) {
    BSTR name = nullptr;
    if (object == nullptr || FAILED(object->get_accName(child(id), &name)) || name == nullptr)
        return L"<none>";
    const std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

} // namespace glossarytest
