#include "Shortcut.h"
#include "win32/Com.h"

#include <objidl.h>
#include <shlobj.h>

HRESULT createShortcut(const std::wstring& link, const std::wstring& target,
                       const std::wstring& directory, const std::wstring& description) {
    win32::ComPtr<IShellLinkW> shellLink;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, shellLink.receiveVoid());
    if (FAILED(result))
        return result;
    shellLink->SetPath(target.c_str());
    shellLink->SetWorkingDirectory(directory.c_str());
    shellLink->SetDescription(description.c_str());
    shellLink->SetIconLocation(target.c_str(), 0);
    win32::ComPtr<IPersistFile> file;
    result = shellLink->QueryInterface(IID_IPersistFile, file.receiveVoid());
    if (FAILED(result))
        return result;
    return file->Save(link.c_str(), TRUE);
}
