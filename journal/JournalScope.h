#pragma once

#include "JournalRecords.h"

#include <string>
#include <vector>

// What a journal read back may touch: a journal names paths and keys, and only those of the
// product are ever acted on, whoever wrote it. Paths and keys are UTF-8, compared without
// regard to ASCII case.
struct JournalScope {
    std::vector<std::string> folders; // these and everything inside them
    std::vector<std::string> files;   // these files, and the ".new" and ".previous" beside them
    std::vector<std::string> keys;    // these keys under HKLM and everything below them
    // The setup logs that name what the product installed: a file set aside comes back only
    // while one of them is there.
    std::vector<std::string> logs;
    // Setup's own recovery: the folders the stopped run proves it made (their identity) count as
    // the product's too, wherever that run installed.
    bool madeFolders = false;
};

// Whether `path` is a plain absolute path (a drive, no "." or ".." parts) in the scope.
bool fileInScope(const JournalScope& scope, const std::string& path);
// A folder in the scope, or one above a scope folder (the folders a run made on the way to it).
bool folderInScope(const JournalScope& scope, const std::string& path);
bool keyInScope(const JournalScope& scope, const std::string& key);

// Leaves in `journal` only what lies in the scope and returns the rest, one path or key each.
// A use count outside it counts as given back, so that the records' numbering stays.
std::vector<std::string> limitToScope(SetupJournal& journal, const JournalScope& scope);
