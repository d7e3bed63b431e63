#pragma once

#include <string>
#include <string_view>

// What a file given to dictbuild is, judged by its name and first bytes: a dictionary it reads,
// a part of a StarDict dictionary given without its information file, or a dictionary format
// it cannot read (DSL, MDict, Babylon, XDXF).
enum class InputKind { Other, StardictInfo, StardictFolder, StardictPart, Unreadable };

struct InputFormat {
    InputKind kind = InputKind::Other;
    std::string message; // for StardictPart and Unreadable: what the file is and what to do
};

// `head` is the file's first bytes (a few kilobytes are enough); `isFolder` whether `path` is a
// folder; `infoBeside` whether a StarDict information file of the same name lies beside it.
InputFormat inputFormat(const std::string& path, std::string_view head, bool isFolder,
                        bool infoBeside);

// The information file a StarDict part belongs to: "a/b.dict.dz" -> "a/b.ifo".
std::string stardictInfoName(const std::string& path);
