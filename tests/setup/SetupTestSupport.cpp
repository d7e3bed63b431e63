#include "SetupTestSupport.h"

#include "driver/DialogDriver.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"
#include "win32/Process.h"

#include <gtest/gtest.h>

#include <sddl.h>
#include <shlobj.h>

#include <algorithm>

using namespace testsupport;

namespace setuptest {

const std::string kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary";
const std::string kSharedKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

namespace {

const std::string kPendingKey = "System\\CurrentControlSet\\Control\\Session Manager";

// Wine links a user's own folders (Desktop, Documents...) to the Unix home, outside the C:
// drive; it does not show them as links.
bool outsideThePrefix(const std::string& path) {
    const std::string name = lower(path);
    if (name.rfind("c:\\users\\", 0) != 0 || std::count(name.begin(), name.end(), '\\') != 3)
        return false;
    const std::string last = name.substr(name.rfind('\\') + 1);
    for (const char* linked :
         {"desktop", "documents", "downloads", "music", "pictures", "videos", "templates"}) {
        if (last == linked)
            return true;
    }
    return false;
}

void listFiles(const std::string& folder, std::set<std::string>& out) {
    WIN32_FIND_DATAA found;
    const win32::FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search)
        return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            out.insert(lower(path) + "\\");
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                !outsideThePrefix(path))
                listFiles(path, out);
        } else {
            out.insert(lower(path) + " " + std::to_string(found.nFileSizeLow));
        }
    } while (FindNextFileA(search.get(), &found));
}

} // namespace

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

void listKeys(HKEY root, const std::string& rootName, const std::string& path,
              std::set<std::string>& out) {
    win32::Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return;
    const std::string here = rootName + "\\" + lower(path);
    out.insert(here + "\\");
    char name[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, type = 0, dataSize = static_cast<DWORD>(data.size());
        const LONG got =
            RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, data.data(), &dataSize);
        if (got == ERROR_NO_MORE_ITEMS)
            break;
        if (got != ERROR_SUCCESS)
            continue;
        std::string line = here + "\\" + lower(name) + "=" + std::to_string(type) + ":";
        for (DWORD b = 0; b < dataSize; ++b)
            line += "0123456789abcdef"[data[b] >> 4], line += "0123456789abcdef"[data[b] & 15];
        out.insert(line);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    key.reset();
    for (const std::string& subkey : subkeys) {
        // Links to keys seen elsewhere (the current control set, the 32-bit view) are not
        // walked again: some lead back to where they stand. Performance counters are made
        // anew at every read.
        const std::string child = path.empty() ? subkey : path + "\\" + subkey;
        if (lower(subkey) == "wow6432node" || lower(subkey) == "perflib" ||
            lower(child) == "system\\currentcontrolset")
            continue;
        listKeys(root, rootName, child, out);
    }
}

std::set<std::string> snapshot() {
    std::set<std::string> items;
    listFiles("C:", items);
    listKeys(HKEY_LOCAL_MACHINE, "hklm", "", items);
    listKeys(HKEY_CURRENT_USER, "hkcu", "", items);
    return items;
}

// What changed, less what the uninstaller left for the next restart: the files and folders
// named in the pending operations, and that list itself.
std::vector<std::string> differences(const std::set<std::string>& before,
                                     const std::set<std::string>& after) {
    std::vector<std::string> pending;
    for (const std::string& entry : pendingOperations()) {
        if (entry.rfind("\\??\\", 0) == 0)
            pending.push_back(lower(entry.substr(4)));
    }
    const auto expected = [&](const std::string& item) {
        if (item.rfind("hklm\\" + lower(kPendingKey) + "\\pendingfilerenameoperations=", 0) == 0)
            return true;
        // Wine's own note of the mouse settings it was asked for.
        if (item.rfind("hkcu\\software\\wine\\temporary system parameters\\", 0) == 0)
            return true;
        // Made anew at every start, and by Wine when a display first shows a window.
        if (item.rfind("hklm\\hardware\\", 0) == 0)
            return true;
        for (const std::string& path : pending) {
            if (item == path + "\\" || item.rfind(path + " ", 0) == 0)
                return true;
        }
        return false;
    };
    std::vector<std::string> changed;
    for (const std::string& item : after) {
        if (before.count(item) == 0 && !expected(item))
            changed.push_back("+ " + item);
    }
    for (const std::string& item : before) {
        if (after.count(item) == 0 && !expected(item))
            changed.push_back("- " + item);
    }
    return changed;
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line.substr(0, 300) + "\n";
    return text;
}

std::string commonPrograms() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string registered(const char* name) {
    const std::vector<BYTE> value = readValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    return std::string(value.begin(), std::find(value.begin(), value.end(), 0));
}

DWORD everyonesRights(const std::string& path) {
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    std::vector<BYTE> descriptor(1 << 16);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                          static_cast<DWORD>(descriptor.size()), &size) ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted) || !present ||
        acl == nullptr)
        return FILE_ALL_ACCESS;
    DWORD rights = 0;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (GetAce(acl, i, &entry) &&
            static_cast<ACE_HEADER*>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart, everyone))
            rights |= static_cast<ACCESS_ALLOWED_ACE*>(entry)->Mask;
    }
    return rights;
}

void setAccessList(const std::string& path, const char* list) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(list, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    ASSERT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor));
}

void openToEveryone(const std::string& path) {
    setAccessList(path, "D:(A;OICI;FA;;;WD)");
}

void protect(const std::string& path) {
    setAccessList(path, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
}

HWND dialogOf(const std::string& folder, const std::string& caption) {
    return driver::dialogNamed(caption, kTimeoutMs, folder);
}

win32::Handle startProgram(const std::string& commandLine, const std::string& directory) {
    return win32::startProcess({}, commandLine, win32::StartOptions{directory}).handle;
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

DWORD setupInto(const std::wstring& destination) {
    std::wstring line = L"\"" + widen(binaryDirectory()) + L"\\setup.exe\" /S /D=" + destination;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return GetLastError();
    const win32::Handle thread(started.hThread), process(started.hProcess);
    DWORD exitCode = STILL_ACTIVE;
    win32::waitForExit(process.get(), kTimeoutMs, exitCode);
    return exitCode;
}

bool restartTheComputer() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    DWORD exitCode = STILL_ACTIVE;
    return runAndWait("\"" + std::string(system) + "\\wineboot.exe\" -r", kTimeoutMs, exitCode) &&
           exitCode == 0;
}

} // namespace setuptest
