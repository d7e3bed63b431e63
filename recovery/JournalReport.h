#pragma once

#include <string>

// Where an undo or a recovery tells what it did and kept: setup's report, or the
// uninstaller's when the uninstaller finishes what a stopped setup left.
class JournalReport {
public:
    virtual ~JournalReport() = default;
    // A line that counts nowhere, such as "removed" by an undo.
    virtual void note(const char* stage, const std::wstring& item, const std::string& text) = 0;
    virtual void kept(const char* stage, const std::wstring& item, const std::wstring& why) = 0;
};
