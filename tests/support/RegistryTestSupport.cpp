#include "RegistryTestSupport.h"

#include <cstring>

#include "win32/Handles.h"
#include "win32/Process.h"

#include <stdexcept>

namespace testsupport {

bool keyExists(HKEY root, const std::string& path) {
    win32::Key key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

void createKey(HKEY root, const std::string& path) {
    win32::Key key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
}

void deleteTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

void copyTree(HKEY root, const std::string& from, const std::string& to) {
    createKey(root, to);
    win32::Key source, target;
    if (RegOpenKeyExA(root, from.c_str(), 0, KEY_READ, source.receive()) != ERROR_SUCCESS ||
        RegOpenKeyExA(root, to.c_str(), 0, KEY_ALL_ACCESS, target.receive()) != ERROR_SUCCESS ||
        RegCopyTreeA(source.get(), nullptr, target.get()) != ERROR_SUCCESS)
        throw std::runtime_error("cannot copy key " + from);
}

void setValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const void* data, DWORD size) {
    win32::Key key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
            ERROR_SUCCESS)
        throw std::runtime_error("cannot set value " + path + "\\" + name);
}

void setDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    setValue(root, path, name, REG_DWORD, &value, sizeof value);
}

void setString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value) {
    setValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool valueExists(HKEY root, const std::string& path, const std::string& name) {
    win32::Key key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS &&
           RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

std::vector<BYTE> readValue(HKEY root, const std::string& path, const std::string& name,
                            DWORD* type) {
    if (type != nullptr)
        *type = REG_NONE;
    win32::Key key;
    DWORD size = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.receive()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.get(), name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> data(size);
    RegQueryValueExA(key.get(), name.c_str(), nullptr, type, data.data(), &size);
    data.resize(size);
    return data;
}

void deleteValue(HKEY root, const std::string& path, const std::string& name) {
    win32::Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, key.receive()) == ERROR_SUCCESS)
        RegDeleteValueA(key.get(), name.c_str());
}

bool runAndWait(const std::string& commandLine, DWORD timeoutMs, DWORD& exitCode,
                const char* directory) {
    exitCode = STILL_ACTIVE;
    const win32::Process started =
        win32::startProcess({}, commandLine, win32::StartOptions{directory ? directory : ""});
    if (!started)
        return false;
    if (!win32::waitForExit(started.handle.get(), timeoutMs, exitCode)) {
        TerminateProcess(started.handle.get(), 1);
        return false;
    }
    return true;
}

DWORD readDword(HKEY root, const std::string& path, const std::string& name) {
    const std::vector<BYTE> data = readValue(root, path, name);
    DWORD value = 0xFFFFFFFF;
    if (data.size() == sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::vector<std::string> pendingOperations() {
    const std::vector<BYTE> data =
        readValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                  "PendingFileRenameOperations");
    std::vector<std::string> entries;
    std::string current;
    for (const BYTE c : data) {
        if (c == 0) {
            entries.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(c);
        }
    }
    return entries;
}

bool pendingDeleteOf(const std::string& path) {
    const std::vector<std::string> entries = pendingOperations();
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        if (lstrcmpiA(entries[i].c_str(), ("\\??\\" + path).c_str()) == 0 && entries[i + 1].empty())
            return true;
    }
    return false;
}

} // namespace testsupport
