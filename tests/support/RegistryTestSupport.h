#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

bool keyExists(HKEY root, const std::string& path);
void createKey(HKEY root, const std::string& path);
void deleteTree(HKEY root, const std::string& path);
// Copies a key with everything below it to a new path under the same root.
void copyTree(HKEY root, const std::string& from, const std::string& to);
void setValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const void* data, DWORD size);
void setDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
void setString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value);
bool valueExists(HKEY root, const std::string& path, const std::string& name);
// The value's data and type; empty with type REG_NONE when it is missing.
std::vector<BYTE> readValue(HKEY root, const std::string& path, const std::string& name,
                            DWORD* type = nullptr);
void deleteValue(HKEY root, const std::string& path, const std::string& name);
// A 4-byte value as a number (a use count); 0xFFFFFFFF when it is missing or of another size.
DWORD readDword(HKEY root, const std::string& path, const std::string& name);

// The system's file operations pending for the next restart, in order: source, target,
// source, target... (an empty target is a deletion); sources as "\??\<path>".
std::vector<std::string> pendingOperations();
// True when a deletion of `path` is among them.
bool pendingDeleteOf(const std::string& path);

// Runs a command line and waits for it; false if it did not end within the time-out.
bool runAndWait(const std::string& commandLine, DWORD timeoutMs, DWORD& exitCode,
                const char* directory = nullptr);

} // namespace testsupport
