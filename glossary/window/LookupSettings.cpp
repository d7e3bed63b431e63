#include "LookupSettings.h"
#include "win32/Handles.h"

#include <cwchar>
#include <string>

namespace {

const wchar_t kSettingsKey[] = L"Software\\Technical Glossary";
const wchar_t kTrigger[] = L"Look-up"; // 0 none, 1 Ctrl+C pressed twice, 2 every copy, 3 a key
const wchar_t kKey[] = L"Look-up key"; // the reader's own: virtual key, HOTKEYF_ flags above it
const wchar_t kKeepInTray[] = L"Notification area";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"Technical Glossary";

bool readNumber(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD type = 0, size = sizeof value;
    return RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof value;
}

void writeNumber(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// How the Run value starts this program: its full path in quotes, then /tray.
std::wstring runCommand() {
    wchar_t program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return L"\"" + std::wstring(program, length) + L"\" /tray";
}

} // namespace

LookupSettings LookupSettings::read() {
    LookupSettings settings;
    win32::Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return settings;
    DWORD value = 0;
    if (readNumber(key.get(), kTrigger, value) &&
        value <= static_cast<DWORD>(ClipboardLookup::Trigger::OwnKey))
        settings.trigger = static_cast<ClipboardLookup::Trigger>(value);
    if (readNumber(key.get(), kKey, value) && LOBYTE(value) != 0 && value <= 0xFFFF)
        settings.lookupKey = static_cast<WORD>(value);
    if (readNumber(key.get(), kKeepInTray, value))
        settings.keepInTray = value != 0;
    return settings;
}

void LookupSettings::save() const {
    win32::Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return;
    writeNumber(key.get(), kTrigger, static_cast<DWORD>(trigger));
    writeNumber(key.get(), kKeepInTray, keepInTray ? 1 : 0);
    writeNumber(key.get(), kKey, lookupKey);
}

bool startsAtLogon() {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, key.receive()) !=
        ERROR_SUCCESS)
        return false;
    wchar_t command[MAX_PATH + 16] = {};
    DWORD type = 0, size = sizeof command - sizeof(wchar_t);
    return RegQueryValueExW(key.get(), kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(command),
                            &size) == ERROR_SUCCESS &&
           type == REG_SZ && _wcsicmp(command, runCommand().c_str()) == 0;
}

void setStartAtLogon(bool start) {
    win32::Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring command = runCommand();
    if (start && !command.empty())
        RegSetValueExW(key.get(), kRunValue, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key.get(), kRunValue);
}
