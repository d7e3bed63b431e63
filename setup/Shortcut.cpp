#include "Shortcut.h"

#include <objidl.h>
#include <shlobj.h>

namespace {

// Releases a COM interface when it goes.
template <typename Interface> class Com {
public:
    ~Com() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    Interface** receive() { return &pointer_; }
    Interface* operator->() const { return pointer_; }

private:
    Interface* pointer_ = nullptr;
};

} // namespace

HRESULT createShortcut(const std::wstring& link, const std::wstring& target,
                       const std::wstring& directory, const std::wstring& description) {
    Com<IShellLinkW> shellLink;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                         reinterpret_cast<void**>(shellLink.receive()));
    if (FAILED(result))
        return result;
    shellLink->SetPath(target.c_str());
    shellLink->SetWorkingDirectory(directory.c_str());
    shellLink->SetDescription(description.c_str());
    shellLink->SetIconLocation(target.c_str(), 0);
    Com<IPersistFile> file;
    result = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.receive()));
    if (FAILED(result))
        return result;
    return file->Save(link.c_str(), TRUE);
}
