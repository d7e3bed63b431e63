#include "ProductInstall.h"

#include "engine/RegistryRecord.h"
#include "engine/RegistryRoot.h"
#include "win32/Handles.h"

#include <fstream>

namespace driver {

namespace {

const char kSharedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string directoryOf(const std::string& path) {
    return path.substr(0, path.rfind('\\'));
}

void makeDirectories(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void writeFile(const std::string& path, const std::string& text) {
    makeDirectories(directoryOf(path));
    std::ofstream(path, std::ios::binary) << text;
}

win32::Key createKey(HKEY root, const std::string& path) {
    win32::Key key;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(),
                    nullptr);
    return key;
}

void setUseCount(const std::string& file, DWORD count) {
    const win32::Key key = createKey(HKEY_LOCAL_MACHINE, kSharedKey);
    RegSetValueExA(key.get(), file.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                   sizeof count);
}

} // namespace

std::vector<std::string> entries(const SetupLog& log, const char* section) {
    std::vector<std::string> all;
    std::string entry;
    for (int i = 0; log.entry(entry, section, i); ++i)
        all.push_back(entry);
    return all;
}

HKEY recordRoot(const std::string& record, std::string& keyPath, std::string* valueName) {
    const RegistryRecord read = readRegistryRecord(record, valueName != nullptr);
    keyPath = read.keyPath;
    if (valueName != nullptr)
        *valueName = read.valueName;
    return rootKey(read.root);
}

void installFromSetupLog(const SetupLog& log, const std::string& logBytes,
                         const std::string& binaries) {
    const std::vector<std::string> directories = entries(log, "APPDIR");
    if (directories.empty())
        return;
    const std::string& app = directories.front();
    makeDirectories(app);
    for (const std::string& file : entries(log, "APPFILES"))
        writeFile(file, "installed by the demonstration\r\n");
    for (const char* program : {"uninstall.exe", "glossary.exe", "Dict.mdb"})
        CopyFileA((binaries + "\\" + program).c_str(), (app + "\\" + program).c_str(), FALSE);
    writeFile(app + "\\Setup.log", logBytes);
    const std::vector<std::string> folders = entries(log, "APPFOLDERS");
    for (const std::string& folder : folders)
        makeDirectories(folder);
    if (!folders.empty())
        writeFile(folders.front() + "\\My notes.txt", "mine\r\n");
    DWORD uses = 1;
    for (const char* section : {"SHAREDFILES", "STDFILES"}) {
        for (const std::string& file : entries(log, section)) {
            writeFile(file, "shared\r\n");
            setUseCount(file, uses++);
        }
    }
    std::string path, name;
    for (const std::string& record : entries(log, "REGENTRY")) {
        if (const HKEY root = recordRoot(record, path))
            createKey(root, path);
    }
    for (const std::string& record : entries(log, "REGVALUES")) {
        if (const HKEY root = recordRoot(record, path, &name)) {
            const win32::Key key = createKey(root, path);
            RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"),
                           2);
        }
    }
}

int sharedUseCount(const std::string& file) {
    win32::Key key;
    DWORD count = 0, size = sizeof count;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedKey, 0, KEY_READ, key.receive()) !=
            ERROR_SUCCESS ||
        RegQueryValueExA(key.get(), file.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&count),
                         &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(count);
}

} // namespace driver
