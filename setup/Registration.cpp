#include "Registration.h"

#include "Installation.h"
#include "SetupReport.h"
#include "SystemError.h"
#include "recovery/Journal.h"
#include "recovery/Utf8.h"
#include "win32/Handles.h"

#include "ProductInfo.h"

#include <cwchar>

namespace {

void setString(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void setNumber(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Today as the registration's InstallDate has it: YYYYMMDD, local time.
std::wstring installDate() {
    SYSTEMTIME today = {};
    GetLocalTime(&today);
    wchar_t text[16] = {};
    swprintf(text, 16, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    return text;
}

} // namespace

void registerProduct(const std::wstring& directory, const std::vector<std::wstring>& parents,
                     DWORD sizeKb, Journal& journal, SetupReport& report) {
    journal.beforeRegistration(kUninstallKey);
    win32::Key owned;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                                         KEY_SET_VALUE, nullptr, owned.receive(), nullptr);
    if (created != ERROR_SUCCESS)
        throw InstallError(L"The product cannot be registered:\n" +
                           systemError(static_cast<DWORD>(created)));
    const HKEY key = owned.get();
    const std::wstring uninstaller = L"\"" + directory + L"\\uninstall.exe\"";
    // The command first and the name last: a run stopped in between leaves a key that the list
    // of programs does not show, and whose command finishes the stopped run.
    setString(key, L"UninstallString", uninstaller);
    setString(key, L"QuietUninstallString", uninstaller + L" /S");
    setString(key, L"DisplayVersion", kProductVersion);
    setNumber(key, L"VersionMajor", PRODUCT_VERSION_MAJOR);
    setNumber(key, L"VersionMinor", PRODUCT_VERSION_MINOR);
    setString(key, L"Publisher", wide(PRODUCT_PUBLISHER_TEXT));
    setString(key, L"HelpLink", PRODUCT_URL_WIDE);
    setString(key, L"URLInfoAbout", PRODUCT_URL_WIDE);
    setString(key, L"InstallDate", installDate());
    setString(key, L"InstallLocation", directory);
    // The icon's index keeps a comma in the folder's name from being read as one.
    setString(key, L"DisplayIcon", directory + L"\\glossary.exe,0");
    setNumber(key, L"EstimatedSize", sizeKb);
    setNumber(key, L"NoModify", 1);
    setNumber(key, L"NoRepair", 1);
    std::wstring made;
    for (const std::wstring& parent : parents)
        made += parent + L'\0';
    made += L'\0';
    RegSetValueExW(key, kFoldersMadeAbove, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(made.data()),
                   static_cast<DWORD>(made.size() * sizeof(wchar_t)));
    setString(key, L"DisplayName", kProductName);
    report.installed("Registry", std::wstring(L"HKLM\\") + kUninstallKey);
}
