#pragma once

#include <string>
#include <vector>

// The file operations that the system carries out as it next starts (the registry value
// PendingFileRenameOperations): pairs of a source and a target, a deletion when the target is
// empty; paths as "\??\C:\...", a target with "!" before it replaces what is there. Portable.
struct PendingOperation {
    std::wstring source;
    std::wstring target;
};

// The pairs of the value's text (strings each ended by a zero, as REG_MULTI_SZ holds them); a
// source without its target counts as a deletion.
std::vector<PendingOperation> pendingOperationsOf(const std::wstring& value);
// The value's text for these pairs, the closing empty string included.
std::wstring pendingValueOf(const std::vector<PendingOperation>& operations);

// Brings a path (the system's prefixes taken off: "\??\", "\\?\", "\DosDevices\", "\GLOBAL??\",
// "Global\", "GLOBALROOT"; a share as "\\server\share"; a device's name such as
// "\Device\HarddiskVolume3\..." left as it is) into the form
// in which two names of one file are equal: at least in capitals, letter for letter, as the
// file system compares names; on Windows also with its long names and its drive for a volume's
// GUID name, since the system carries out an operation on whatever file its name reaches.
using PathForm = void (*)(std::wstring& path);
// The letters of ASCII and Latin-1 only: the system's own fold is Windows code.
void foldLatinCase(std::wstring& text);

// Whether the operation deletes, replaces or moves `path` or a folder above it: its source or
// its target names one of them. Both compared in `form`; a share reached as
// "\??\UNC\server\share" is the same as "\\server\share".
bool touches(const PendingOperation& operation, const std::wstring& path,
             PathForm form = foldLatinCase);

// The operations but those that touch any of `paths`.
std::vector<PendingOperation> withoutThoseTouching(const std::vector<PendingOperation>& operations,
                                                   const std::vector<std::wstring>& paths,
                                                   PathForm form = foldLatinCase);
