#include "ProgramEnvironment.h"

#include "KnownFolders.h"
#include "win32/Handles.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

const GUID kProfile = {
    0x5e6c858f, 0x0e22, 0x4760, {0x9a, 0xfe, 0xea, 0x33, 0x17, 0xb6, 0x71, 0x73}};
const GUID kRoamingAppData = {
    0x3eb685db, 0x65f9, 0x4cf6, {0xa0, 0x3a, 0xe3, 0xef, 0x65, 0x72, 0x9f, 0x3d}};
const GUID kLocalAppData = {
    0xf1b32785, 0x6fba, 0x4fcf, {0x9d, 0x55, 0x7b, 0x8e, 0x7f, 0x15, 0x70, 0x91}};
const GUID kPublic = {0xdfdf76a2, 0xc82a, 0x4d63, {0x90, 0x6a, 0x56, 0x44, 0xac, 0x45, 0x73, 0x85}};

// "C:\..." or "\\server\share...": not "\\?\" or "\\.\", not relative, not "\..." on the
// current drive.
bool isFolderPath(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return path.size() > 4 && path.compare(0, 2, L"\\\\") == 0 && path[2] != L'?' &&
           path[2] != L'.' && path.find(L'\\', 3) != std::wstring::npos;
}

std::wstring upper(std::wstring name) {
    for (wchar_t& c : name)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    return name;
}

const std::wstring* valueOf(const Variables& variables, const std::wstring& name) {
    const std::wstring wanted = upper(name);
    for (const auto& [named, value] : variables) {
        if (upper(named) == wanted)
            return &value;
    }
    return nullptr;
}

// Gives `name` the value, in place of one it had under any spelling.
void set(Variables& variables, const std::wstring& name, const std::wstring& value) {
    const std::wstring wanted = upper(name);
    for (auto& [named, given] : variables) {
        if (upper(named) == wanted) {
            named = name;
            given = value;
            return;
        }
    }
    variables.emplace_back(name, value);
}

void addFolder(Variables& variables, const wchar_t* name, const std::wstring& path) {
    if (isFolderPath(path))
        set(variables, name, path);
}

void addText(Variables& variables, const wchar_t* name, const std::wstring& text) {
    if (!text.empty())
        set(variables, name, text);
}

// `text` with every %NAME% the block holds put in; one it does not hold stays as written, as
// the system leaves it. Never the inherited environment: whoever started us chose that.
std::wstring expandedAgainst(const std::wstring& text, const Variables& variables) {
    std::wstring result;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find(L'%', at);
        const std::size_t close =
            open == std::wstring::npos ? std::wstring::npos : text.find(L'%', open + 1);
        if (close == std::wstring::npos)
            break;
        const std::wstring* value = valueOf(variables, text.substr(open + 1, close - open - 1));
        result += text.substr(at, open - at);
        if (value == nullptr) {
            result += text.substr(open, close - open);
            at = close; // its closing sign may open the next name
            continue;
        }
        result += *value;
        at = close + 1;
    }
    return result + text.substr(at);
}

// The system's own variables, as Windows gives them to every program: from the key only
// administrators may change, plain values first and then those naming others. A name the block
// already holds keeps its value.
void addSessionVariables(Variables& variables) {
    win32::Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.receive()) != ERROR_SUCCESS)
        return;
    DWORD count = 0, longestName = 0, longestValue = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, &longestValue, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    const Variables given = variables;
    Variables plain, expandable;
    for (DWORD i = 0; i < count; ++i) {
        std::wstring name(longestName + 1, L'\0');
        std::vector<wchar_t> value(longestValue / sizeof(wchar_t) + 1, L'\0');
        DWORD nameLength = longestName + 1, size = longestValue, type = REG_NONE;
        if (RegEnumValueW(key.get(), i, &name[0], &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        name.resize(nameLength);
        const std::wstring text(value.data());
        if (name.empty() || name.find(L'=') != std::wstring::npos || text.empty() ||
            valueOf(given, name) != nullptr)
            continue;
        (type == REG_SZ ? plain : expandable).emplace_back(name, text);
    }
    for (const auto& [name, text] : plain)
        set(variables, name, text);
    for (const auto& [name, text] : expandable) {
        const std::wstring value = expandedAgainst(text, variables);
        if (!value.empty())
            set(variables, name, value);
    }
}

// A folder the system names in the registry (only administrators may change it); empty when
// the value is not there.
std::wstring registryFolder(const wchar_t* key, const wchar_t* name) {
    win32::Key opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      opened.receive()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t value[MAX_PATH] = {};
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    // The variables these values use; anything else is not a folder we can vouch for.
    const std::wstring folder = withSystemFolders(value);
    return folder.find(L'%') == std::wstring::npos ? folder : std::wstring();
}

// The system's folders that scripts name through variables.
void addSystemFolders(Variables& variables) {
    const wchar_t* const version = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const wchar_t* const profiles = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    const struct {
        const wchar_t* variable;
        const wchar_t* key;
        const wchar_t* value;
    } folders[] = {
        {L"ALLUSERSPROFILE", profiles, L"ProgramData"},
        {L"CommonProgramFiles", version, L"CommonFilesDir"},
        {L"CommonProgramFiles(x86)", version, L"CommonFilesDir (x86)"},
        {L"CommonProgramW6432", version, L"CommonW6432Dir"},
        {L"ProgramData", profiles, L"ProgramData"},
        {L"ProgramFiles", version, L"ProgramFilesDir"},
        {L"ProgramFiles(x86)", version, L"ProgramFilesDir (x86)"},
        {L"ProgramW6432", version, L"ProgramW6432Dir"},
    };
    for (const auto& folder : folders)
        addFolder(variables, folder.variable, registryFolder(folder.key, folder.value));
}

// The account the uninstaller runs as, by its token: USERNAME and USERDOMAIN.
void addAccount(Variables& variables) {
    win32::Handle token;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size))
        return;
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (!LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, name,
                           &nameLength, domain, &domainLength, &use))
        return;
    addText(variables, L"USERNAME", name);
    addText(variables, L"USERDOMAIN", domain);
}

// The account's profile and its application data, as its known folders name them (for SYSTEM,
// its own profile in the system folder), and the public profile.
void addProfile(Variables& variables) {
    const std::wstring profile = knownFolderPath(kProfile);
    addFolder(variables, L"USERPROFILE", profile);
    if (isFolderPath(profile) && profile[1] == L':') {
        set(variables, L"HOMEDRIVE", profile.substr(0, 2));
        set(variables, L"HOMEPATH", profile.substr(2));
    }
    addFolder(variables, L"APPDATA", knownFolderPath(kRoamingAppData));
    addFolder(variables, L"LOCALAPPDATA", knownFolderPath(kLocalAppData));
    addFolder(variables, L"PUBLIC", knownFolderPath(kPublic));
}

void addMachine(Variables& variables) {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (GetComputerNameW(computer, &length))
        addText(variables, L"COMPUTERNAME", computer);
    // The machine's own processor, as the system's block names it; a 32-bit program that
    // starts another gets its own view from the system.
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    const wchar_t* architecture =
        system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? L"AMD64"
        : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? L"x86"
        : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64  ? L"IA64"
        : system.wProcessorArchitecture == 12 // ARM64
            ? L"ARM64"
            : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM ? L"ARM" : L"";
    addText(variables, L"PROCESSOR_ARCHITECTURE", architecture);
    if (system.dwNumberOfProcessors > 0)
        set(variables, L"NUMBER_OF_PROCESSORS", std::to_wstring(system.dwNumberOfProcessors));
    set(variables, L"OS", L"Windows_NT");
}

} // namespace

std::wstring programEnvironment(const std::wstring& temp) {
    wchar_t windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    if (length < 3 || length >= MAX_PATH || systemLength == 0 || systemLength >= MAX_PATH ||
        !isFolderPath(windows) || !isFolderPath(system) || !isFolderPath(temp))
        return std::wstring();
    const std::wstring folder = windows, systemFolder = system;
    Variables variables = {
        {L"ComSpec", systemFolder + L"\\cmd.exe"},
        {L"PATH", systemFolder + L";" + folder + L";" + systemFolder + L"\\Wbem"},
        {L"PATHEXT", L".COM;.EXE;.BAT;.CMD"},
        {L"SystemDrive", folder.substr(0, 2)},
        {L"SystemRoot", folder},
        {L"TEMP", temp},
        {L"TMP", temp},
        {L"windir", folder}};
    addSessionVariables(variables);
    addSystemFolders(variables);
    addAccount(variables);
    addProfile(variables);
    addMachine(variables);
    std::stable_sort(variables.begin(), variables.end(),
                     [](const auto& a, const auto& b) { return upper(a.first) < upper(b.first); });
    std::wstring block;
    for (const auto& [name, value] : variables)
        block += name + L"=" + value + L'\0';
    return block;
}
