#pragma once

#include "AccessRights.h"
#include "AdministratorsOnly.h"

#include <windows.h>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace win32 {

// A namespace for named objects that only the Administrators can make (its boundary holds
// their group, which only an elevated token or SYSTEM's has enabled) and only SYSTEM and the
// Administrators can open (its access list): an ordinary user can neither make an object of a
// name in it first nor open one there. The functions are looked up, not imported: systems
// without them (the 95 family, Windows before Vista) still start, and one that has them only as
// stubs (Wine 8 makes no boundary) counts as one without; the caller then falls back.
class PrivateNamespace {
public:
    enum class State {
        Open,        // made or opened: names go below prefix()
        Unavailable, // the system makes no private namespaces
        Refused,     // it has them, but this process may neither make nor open this one: error()
    };

    // No namespace, as before one is opened.
    static PrivateNamespace none() { return PrivateNamespace(); }

    static PrivateNamespace open(const wchar_t* prefix) {
        PrivateNamespace space;
        space.prefix_ = prefix;
        const Functions functions = Functions::find();
        if (!functions)
            return space;
        HANDLE boundary = functions.createBoundary(prefix, 0);
        if (boundary == nullptr)
            return space;
        // Adding a SID may move the descriptor: the one deleted is the last one.
        struct Boundary {
            const Functions& functions;
            HANDLE& handle;
            ~Boundary() { functions.deleteBoundary(handle); }
        } const owned{functions, boundary};
        std::vector<BYTE> administrators = wellKnownSid(WinBuiltinAdministratorsSid);
        if (administrators.empty() || !functions.addSid(&boundary, administrators.data())) {
            space.fail(GetLastError());
            return space;
        }
        // Opened first: only the first run makes it, and a run that is no administrator is
        // refused by its access list either way.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (HANDLE opened = functions.open(boundary, prefix)) {
                space.take(opened, functions.close);
                return space;
            }
            const DWORD openError = GetLastError();
            if (openError == ERROR_ACCESS_DENIED) {
                space.fail(openError);
                return space;
            }
            AdministratorsOnlySecurity security(GENERIC_ALL);
            if (HANDLE made = functions.create(security.attributes(), boundary, prefix)) {
                space.take(made, functions.close);
                return space;
            }
            const DWORD made = GetLastError();
            // Another run made it in between: open that one.
            if (made != ERROR_ALREADY_EXISTS) {
                space.fail(made);
                return space;
            }
        }
        space.fail(ERROR_ALREADY_EXISTS);
        return space;
    }

    PrivateNamespace(PrivateNamespace&& other) noexcept
        : prefix_(std::move(other.prefix_)), handle_(std::exchange(other.handle_, nullptr)),
          close_(other.close_), state_(other.state_), error_(other.error_) {}
    PrivateNamespace& operator=(PrivateNamespace&& other) noexcept {
        if (this != &other) {
            reset();
            prefix_ = std::move(other.prefix_);
            handle_ = std::exchange(other.handle_, nullptr);
            close_ = other.close_;
            state_ = other.state_;
            error_ = other.error_;
        }
        return *this;
    }
    PrivateNamespace(const PrivateNamespace&) = delete;
    PrivateNamespace& operator=(const PrivateNamespace&) = delete;
    ~PrivateNamespace() { reset(); }

    State state() const { return state_; }
    DWORD error() const { return error_; }
    // The full name of the object `name` in it.
    std::wstring nameOf(const std::wstring& name) const { return prefix_ + L"\\" + name; }

    // Closed without destroying it: other runs may hold it open.
    void reset() {
        if (handle_ != nullptr && close_ != nullptr)
            close_(handle_, 0);
        handle_ = nullptr;
    }

private:
    using CreateBoundary = HANDLE(WINAPI*)(LPCWSTR, ULONG);
    using DeleteBoundary = VOID(WINAPI*)(HANDLE);
    using AddSid = BOOL(WINAPI*)(HANDLE*, PSID);
    using Create = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
    using Open = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
    using Close = BOOLEAN(WINAPI*)(HANDLE, ULONG);

    struct Functions {
        CreateBoundary createBoundary = nullptr;
        DeleteBoundary deleteBoundary = nullptr;
        AddSid addSid = nullptr;
        Create create = nullptr;
        Open open = nullptr;
        Close close = nullptr;
        explicit operator bool() const {
            return createBoundary && deleteBoundary && addSid && create && open && close;
        }
        static Functions find() {
            Functions found;
            const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
            if (kernel == nullptr)
                return found;
            const auto get = [&](auto& function, const char* name) {
                function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                    reinterpret_cast<void*>(GetProcAddress(kernel, name)));
            };
            get(found.createBoundary, "CreateBoundaryDescriptorW");
            get(found.deleteBoundary, "DeleteBoundaryDescriptor");
            get(found.addSid, "AddSIDToBoundaryDescriptor");
            get(found.create, "CreatePrivateNamespaceW");
            get(found.open, "OpenPrivateNamespaceW");
            get(found.close, "ClosePrivateNamespace");
            return found;
        }
    };

    PrivateNamespace() = default;
    void take(HANDLE handle, Close close) {
        handle_ = handle;
        close_ = close;
        state_ = State::Open;
    }
    void fail(DWORD error) {
        state_ = State::Refused;
        error_ = error;
    }

    std::wstring prefix_;
    HANDLE handle_ = nullptr;
    Close close_ = nullptr;
    State state_ = State::Unavailable;
    DWORD error_ = ERROR_SUCCESS;
};

} // namespace win32
