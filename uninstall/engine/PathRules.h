#pragma once

#include <string>

// Rules for the paths that the setup log names for removal. Portable: text only.

// A drive path ("C:\...") or a UNC path ("\\server\share\..."), either separator, with no
// component that is only dots or blanks ("." and ".." above all, but also "..." and ". ",
// which the system shortens to them). Device and raw paths ("\\.\", "\\?\") are not plain,
// nor paths on a hidden share ("\\host\C$", "\\host\ADMIN$") or on this machine by a
// network name ("\\localhost\...", "\\127.0.0.1\..."), which name local folders under another
// name.
bool isPlainAbsolutePath(const std::string& path);

// A path whose meaning depends on the process's current folder or drive: "u.txt", "Logs\u.txt",
// "\Logs\u.txt" (the current drive's root), "C:u.txt" (drive C's current folder). Started by a
// service, that is the system folder; by a tool, wherever the tool stood.
bool isRelativePath(const std::string& path);

// The form two paths are compared in: separators as backslashes, the system's "\\?\" and
// "\\?\UNC\" prefixes dropped, no trailing backslash except after a drive, ASCII letters in
// upper case (the file system compares without case).
std::string comparablePath(const std::string& path);

bool samePath(const std::string& a, const std::string& b);

// Where a 32-bit process on 64-bit Windows really reaches `path`: the system's folder under
// the Windows directory (and its "lastgood" copy) is SysWOW64 for it, except for the
// subfolders that both kinds of process share. Any other path is returned as it is.
std::string wow64Redirected(const std::string& path, const std::string& windowsDirectory);

// True when `path` lies inside `folder` (at any depth), compared as the file system does.
bool liesIn(const std::string& path, const std::string& folder);

// True when the last component names a device rather than a file: CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9, CONIN$, CONOUT$, CLOCK$, with or without an extension.
bool namesDevice(const std::string& path);
