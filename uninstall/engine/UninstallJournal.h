#pragma once

#include "journal/JournalRecords.h"
#include "win32/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

// The journal of one run in the application directory, "Uninstall.journal": written through,
// a line per use count given back, before and after the change. It outlives a run that was
// stopped, so that the next run gives no count back twice; the run removes it just before the
// application directory.
class UninstallJournal {
public:
    static std::string pathIn(const std::string& applicationDirectory);

    // Reads the journal a stopped run left, if any; false, with `why`, when it cannot be read
    // or is not this product's. Changes nothing.
    static bool check(const std::string& applicationDirectory, const std::string& product,
                      std::string& why);

    // Opens the journal for this run, creating it when there is none; false when it cannot be
    // opened, read or written, or is not this product's: then no count may be given back.
    bool open(const std::string& applicationDirectory, const std::string& product);
    bool ready() const { return file_.valid(); }
    // A stopped run left this journal: this run finishes its work.
    bool resumed() const { return resumed_; }

    // Whether a stopped run gave this entry's count back already (or was about to).
    bool released(const char* section, int position, const std::string& path) const;
    // Written and on the disk before the call returns; false when it could not be.
    bool begin(const char* section, int position, const std::string& path, long long before);
    bool done(const char* section, int position, const std::string& path, long long after);

    // Deletes the journal (nothing when there is none); false with the system's error.
    bool remove(DWORD& error);

private:
    bool write(const std::string& text);

    win32::Handle file_;
    std::string path_;
    std::vector<JournalLine> lines_;
    bool resumed_ = false;
};
