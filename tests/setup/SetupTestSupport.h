#pragma once

// What the setup tests share: the state of the whole C: drive and registry, the product's
// registration, access lists, and the programs started as a person or a tool starts them.
#include "win32/Handles.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace setuptest {

constexpr DWORD kTimeoutMs = 120000;
extern const std::string kUninstallKey;
extern const std::string kSharedKey;

std::string lower(std::string text);
// Every key and value below `path` as lines "<rootName>\<path>\<name>=<type>:<hex data>".
void listKeys(HKEY root, const std::string& rootName, const std::string& path,
              std::set<std::string>& out);
// Every file and folder of the C: drive with its size, and every key and value of the
// machine's and the user's registry.
std::set<std::string> snapshot();
// What changed, less what the uninstaller left for the next restart.
std::vector<std::string> differences(const std::set<std::string>& before,
                                     const std::set<std::string>& after);
std::string join(const std::vector<std::string>& lines);

std::string commonPrograms();
// A value of the product's registration.
std::string registered(const char* name);

// The rights that Everyone's entries grant over a file or folder.
DWORD everyonesRights(const std::string& path);
// Gives a file or folder the access list described in SDDL, in place of its own.
void setAccessList(const std::string& path, const char* list);
void openToEveryone(const std::string& path);
// The list the setup program gives its folders.
void protect(const std::string& path);

// A visible dialog of a process whose program file lies under `folder`, with this caption.
HWND dialogOf(const std::string& folder, const std::string& caption);
// Starts a program in `directory` without waiting for it; its process handle.
win32::Handle startProgram(const std::string& commandLine, const std::string& directory);
std::wstring widen(const std::string& text);
// setup.exe run unattended into a destination of any characters; its exit code.
DWORD setupInto(const std::wstring& destination);
// What a restart does to files: Wine's wineboot carries out the pending file operations. True
// when it ran to its end.
bool restartTheComputer();

} // namespace setuptest
