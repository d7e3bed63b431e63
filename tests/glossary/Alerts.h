#pragma once
// The alerts a screen reader hears from the glossary's process, each with the name the alerted
// object had when the test read it.
#include "AccessibleObjects.h"
#include "driver/DialogDriver.h"

#include <string>
#include <vector>

namespace glossarytest {

class Alerts {
public:
    explicit Alerts(DWORD process)
        : hook_(SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, heard, process, 0,
                                WINEVENT_OUTOFCONTEXT)) {
        // What an earlier hook heard and was not yet delivered is not this one's.
        deliver();
        names_.clear();
    }
    ~Alerts() {
        if (hook_ != nullptr)
            UnhookWinEvent(hook_);
    }
    Alerts(const Alerts&) = delete;
    Alerts& operator=(const Alerts&) = delete;

    bool listening() const { return hook_ != nullptr; }
    // Waits (bounded) for an alert whose name holds `text`; the others heard are kept.
    bool heard(const std::wstring& text, DWORD timeoutMs) const {
        return driver::eventually(
            [&] {
                deliver();
                for (const std::wstring& name : names_)
                    if (name.find(text) != std::wstring::npos)
                        return true;
                return false;
            },
            timeoutMs);
    }
    // How many alerts were heard so far.
    std::size_t count() const {
        deliver();
        return names_.size();
    }
    // Everything heard, for a failure's reader.
    std::string said() const {
        std::wstring all;
        for (const std::wstring& name : names_)
            all += L"[" + name + L"] ";
        std::string bytes(all.size() * 3, '\0');
        bytes.resize(static_cast<std::size_t>(
            WideCharToMultiByte(CP_UTF8, 0, all.data(), static_cast<int>(all.size()), &bytes[0],
                                static_cast<int>(bytes.size()), nullptr, nullptr)));
        return bytes;
    }

private:
    static void deliver() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    static void CALLBACK heard(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                               DWORD) {
        win32::ComPtr<IAccessible> accessible;
        VARIANT which;
        VariantInit(&which);
        if (AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child),
                                      accessible.receive(), &which) == S_OK)
            names_.push_back(nameOf(accessible.get(), which.vt == VT_I4 ? which.lVal : 0));
        VariantClear(&which);
    }
    static inline std::vector<std::wstring> names_;
    HWINEVENTHOOK hook_;
};

} // namespace glossarytest
