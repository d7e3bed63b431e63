#pragma once

#include "win32/AccessRights.h"
#include "win32/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

// The uninstaller runs as an administrator or as SYSTEM and loads the COM servers and starts
// the program that the setup log names. Whoever may change such a file, or plant a library
// beside it (one the server or program imports is looked for in its folder first), runs code
// with those rights: such an item is kept.

// Why the reason of a kept item.
constexpr char kOthersMayChangeIt[] = "others may change it";

// The decision on the descriptors of a program file and of its folder: true when anyone but
// the administrators (and `trusted`, where it is trusted) may write, delete or rename the file or
// change its permissions, or create, delete or rename files in the folder or change its
// permissions. A missing descriptor counts as open to all.
bool othersMayChangeCode(PSECURITY_DESCRIPTOR file, PSECURITY_DESCRIPTOR folder,
                         const win32::RunningAccount& trusted);

// A folder whose files a started program may load as its own: the decision for its
// descriptor, as for the folder of a program file.
bool othersMayPlantIn(PSECURITY_DESCRIPTOR folder, const win32::RunningAccount& trusted);

// A program file opened for reading with read sharing only, so that no one can write, rename
// or delete it while the handle is held: the library loaded or the program started from its
// path is the file that was judged.
struct HeldCode {
    win32::Handle file;
    std::string why; // when not held: kOthersMayChangeIt, or the system's error
    DWORD error = ERROR_SUCCESS;
    explicit operator bool() const { return file.valid(); }
};

// Opens the program file at `path` (a plain absolute path), makes sure that it is that file
// and no link, and judges it, its folder and every folder on the way to it, trusting `trusted`
// besides the administrators where it is trusted.
HeldCode holdTrustedCode(const std::string& path, const win32::RunningAccount& trusted);

// Whether anyone but the administrators (and `trusted`, where it is trusted) owns the folder at
// `folder` itself (a link or junction judged as itself, never what it leads to) or may create,
// delete or rename what is in it or change its permissions: then it is no folder that an
// administrators' setup made and kept so, whatever a log says. A folder that cannot be opened
// (gone) is not judged here.
bool othersMayChangeFolder(const std::string& folder, const win32::RunningAccount& trusted);

// The same judgement for a folder a program is started in; empty when only administrators
// may change it, else why not (kOthersMayChangeIt, or a path that is not plain and absolute).
std::string whyFolderIsExposed(const std::string& folder, const win32::RunningAccount& trusted);
