#pragma once

#include "journal/JournalRecords.h"
#include "journal/JournalScope.h"
#include "win32/AccessRights.h"

#include <windows.h>

#include <string>
#include <vector>

class JournalReport;

// The use counts of shared files, under HKLM.
extern const wchar_t kSharedDllsKey[];

// How a recovery treats what is not its own, for the uninstaller.
struct RecoveryOptions {
    // Another product's whole journal is no error: it is left as it is.
    bool othersLeftAlone = false;
    // Where a file the undo must replace or delete goes when a program runs from it (the
    // uninstaller's own folder), to be deleted at the next restart; empty: it stays.
    std::wstring inUseGoesTo;
};

// Everything one run creates or changes, written through to the disk before each step, so
// that a run that fails is undone at once and one that was stopped (killed, power lost) is
// undone by the next run of setup: what it created goes, and what it replaced comes back as it
// was (files and shortcuts from the copies set aside, the registration's values, the use
// counts). It lives in the registry under HKLM, where only administrators write, because the
// first step may be to make the folders that would hold a file. Its records and their reading
// are journal/JournalRecords.h's; here are the registry and the steps they name. Setup writes
// it; setup's next run and the uninstaller take care of one that a stopped run left, alike.
class Journal {
public:
    // Takes care of a journal that a stopped run of `product`'s setup left: that run is undone,
    // or finished when it had succeeded, each step told in `report` (may be null). Only what
    // lies in `scope` is acted on; the rest is kept and told. Throws JournalError when that
    // journal cannot be read, is not `product`'s, or lies in a key that others than the
    // administrators may change; then nothing is changed. True when there was one.
    static bool recover(const std::wstring& product, const JournalScope& scope,
                        const win32::RunningAccount& account, JournalReport* report,
                        const RecoveryOptions& options = {});
    // The journal's place, as the texts name it.
    static std::wstring name();
    // Why a journal's key is not to be believed: others than the administrators may change
    // it (`key` opened with READ_CONTROL); empty when only they may. `account` counts as
    // the trust rules say.
    static std::wstring whyKeyIsUntrusted(HKEY key, const win32::RunningAccount& account);

    // Starts this run's journal of `product`; throws JournalError when it cannot be written. A
    // failed run's undo is told in `report` (may be null).
    Journal(const std::wstring& product, JournalReport* report);
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal();

    // Success: the copies set aside are deleted, nothing is undone any more, and operations
    // that the next restart would carry out on what this run installed (`installed`: files and
    // folders; an earlier removal's) are taken out, each told in `report`. Taken out only now:
    // a run that fails or is stopped leaves them as they were. False when they cannot be.
    bool commit(const std::vector<std::wstring>& installed, JournalReport* report);

    // Once a folder was made by this run: only a folder proven so is ever removed again.
    void createdFolder(const std::wstring& path);
    // Before a file that was not there is made (also the part written beside a file).
    void creatingFile(const std::wstring& path);
    // Moves the existing file at `path` aside, so that a new one can take its place; the
    // system's error when it cannot. With `copy`, a copy goes aside and the file stays until
    // the new one replaces it in one move: one that must be there at every moment.
    DWORD setAside(const std::wstring& path, bool copy = false);
    // `path` was in use: its new form takes its place at the next restart.
    void replacedAtRestart(const std::wstring& path);
    bool restartNeeded() const { return !done_.atRestart.empty(); }
    // Once the use count of a shared file went up by `added`; `had`: it had a count before.
    void countedUse(const std::wstring& file, bool had, DWORD added);
    // Before the registration under HKLM\`key` is written: a new key is deleted again, the
    // values of one that was there are put back.
    void beforeRegistration(const wchar_t* key);

private:
    Journal(const std::wstring& product, bool recovering, JournalReport* report)
        : product_(product), recovering_(recovering), report_(report) {}
    // Appends records (or the header) and puts the whole journal on the disk.
    void write(const std::string& records);
    // The same, for undoing: false instead of an exception.
    bool tryWrite(const std::string& records);
    bool finish(JournalReport* report);
    std::vector<std::wstring> ownRestartOperations() const;
    void undo();
    void giveBackCounts();
    void removeFiles();
    void restoreRegistration();
    bool logStands() const;

    std::wstring product_;
    JournalScope scope_;       // a recovery's: where a set-aside file may come back
    std::wstring inUseGoesTo_; // a recovery's: see RecoveryOptions
    std::string text_;         // as written
    bool recovering_ = false;
    JournalReport* report_; // where an undo tells what it did; none: nowhere
    SetupJournal done_;     // what the run did, as its journal says
};
