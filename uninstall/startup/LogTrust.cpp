#include "LogTrust.h"

#include "RefusedStart.h"
#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "engine/UninstallReport.h"
#include "win32/AccessRights.h"
#include "win32/AdministratorsOnly.h"

namespace {

std::wstring wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &result[0],
                            length);
    return result;
}

} // namespace

std::wstring whyLogIsUntrusted(const std::string& directory,
                               const win32::RunningAccount& administrator) {
    std::string folder = directory;
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    // A file has nothing to delete inside it.
    const std::pair<std::string, DWORD> checked[] = {
        {folder, win32::kChangeRights},
        {directory + "Setup.log", win32::kWriteRights | win32::kPermissionRights}};
    for (const auto& [path, rights] : checked) {
        const std::vector<BYTE> descriptor = win32::securityOf(wide(path));
        if (descriptor.empty() && GetFileAttributesW(wide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
            continue; // a missing log is told where it is read
        const win32::Exposure exposure = win32::nonAdministratorAccess(
            descriptor.empty() ? nullptr : const_cast<BYTE*>(descriptor.data()), rights,
            administrator);
        if (exposure)
            return L"\"" + wide(path) + L"\" can be changed by users who are not administrators: " +
                   exposure.text();
    }
    return std::wstring();
}

bool refuseUntrustedLog(UninstallReport& report, const win32::RunningAccount& administrator) {
    const std::wstring why = whyThisRunDistrustsLog(applicationDirectory, administrator);
    if (why.empty())
        return false;
    tellRefusedStart(report, wide(applicationDirectory + "Setup.log"), L"not trusted: " + why,
                     why + L"\n\nNothing was removed: the setup log may have been changed. "
                           L"Let only administrators change the folder and its setup log, "
                           L"then try again.");
    return true;
}

std::wstring whyThisRunDistrustsLog(const std::string& directory,
                                    const win32::RunningAccount& administrator) {
    if (!win32::runsAsAdministrator())
        return std::wstring();
    return whyLogIsUntrusted(directory, administrator);
}
