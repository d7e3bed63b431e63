#pragma once

#include <windows.h>

#include <string>

// What became of one file or folder that the setup log names.
struct Removal {
    enum class Outcome {
        Removed,
        Missing,    // the file was not there (ERROR_FILE_NOT_FOUND)
        Redirected, // a link on the way leads elsewhere, or the way could not be checked: kept
        Failed,     // the system refused; `error` says why
        Scheduled,  // in use: it goes at the next restart (deleteNowOrAtRestart only)
    };
    Outcome outcome = Outcome::Failed;
    DWORD error = ERROR_SUCCESS;
};

// Deletes the file that `path` names, and only that file. It is opened without following a
// final link; the path the system resolves for the open file must be the logged path, so a
// junction or link anywhere on the way keeps it; and it is deleted through that same handle,
// so the path cannot be changed in between. With `clearReadOnly`, a read-only file has that
// attribute cleared once and is deleted again. A file that opened for deletion but still
// refused it, without being read-only, is a running program's image: ERROR_USER_MAPPED_FILE.
Removal removeFileChecked(const std::string& path, bool clearReadOnly);

// True when the system names the open `file` by `path` (short names made long, and for a
// 32-bit build on 64-bit Windows, the system folder as SysWOW64): no link on the way.
bool resolvesToPath(HANDLE file, const std::string& path);

// The same for a folder, which goes only when it is empty.
Removal removeFolderChecked(const std::string& path);

// The checks of removeFileChecked without the deletion, for a file that someone else may hold
// open: opened for its attributes only, it must be a plain file (no folder, no link) that the
// system names by `path`. Removed means "checked: it is that file"; Missing, Redirected or
// Failed as for a removal. Nothing is changed.
Removal checkFileInPlace(const std::string& path);
// The same for a folder, which must be a plain folder, no junction.
Removal checkFolderInPlace(const std::string& path);
