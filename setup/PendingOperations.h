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

// Turns text into capitals, letter for letter, as the file system does to compare names.
using CaseFold = void (*)(std::wstring& text);
// The letters of ASCII and Latin-1 only: the system's own fold is Windows code.
void foldLatinCase(std::wstring& text);

// Whether the operation deletes, replaces or moves `path` or a folder above it: its source or
// its target names one of them. Compared without case through `fold`; a share reached as
// "\??\UNC\server\share" is the same as "\\server\share".
bool touches(const PendingOperation& operation, const std::wstring& path,
             CaseFold fold = foldLatinCase);

// The operations but those that touch any of `paths`.
std::vector<PendingOperation> withoutThoseTouching(const std::vector<PendingOperation>& operations,
                                                   const std::vector<std::wstring>& paths,
                                                   CaseFold fold = foldLatinCase);
