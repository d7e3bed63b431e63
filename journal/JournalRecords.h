#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The records of both programs' journals, in the line form of LineForm.h. Each journal is
// written through to the disk as a run goes, so that the next run after one that was stopped
// knows what it did; a last line without its line end was cut off as it was written and counts
// for nothing. Portable: reading and writing the journal's place stays with each program.
//
// Setup's journal (HKLM\SOFTWARE\Technical Glossary Setup, value Journal, REG_BINARY): each
// step of a run, written before the step is taken (a folder and a use count once made: only
// what is proven the run's is ever taken back), so that a run that fails is undone, and one that
// was stopped is undone, or finished, by the next run of setup or by the uninstaller, alike
// (recovery/), acting only on what lies in the product's scope (JournalScope.h). Paths, keys and
// names are UTF-8, each written as an exact field (a "<" as <3C>).
//
//   Setup journal of <product>
//   made<TAB><folder><TAB><volume serial><TAB><index high><TAB><index low>
//                                      a folder the run made, and its identity
//   file<TAB><path>                    a file that was not there is about to be made
//   aside<TAB><path>                   the file there is about to go to <path>.previous
//   restart<TAB><path>                 <path>.new takes the place of <path> at the next restart
//   counted<TAB><file><TAB><had 0|1><TAB><uses added>
//                                      a shared file's use count went up (had: counted before)
//   returned<TAB><index>               the index-th counted (from 0) is about to be given back
//   registration<TAB><key><TAB><existed 0|1>
//                                      the registration under HKLM\<key> is about to be
//                                      written; once a run
//   value<TAB><name><TAB><type><TAB><data in lower-case hex>
//                                      a value that key had, written with it
//   installed<TAB><path>               what the restart operations are checked against
//   commit                             the run succeeded: finished, never undone
//
// The uninstaller's journal ("Uninstall.journal" in the application directory): each use
// count the shared-file stage gives back, before and after the change, so that a run stopped
// half-way and started again never gives one back twice. Paths as the setup log writes them,
// their control characters escaped.
//
//   Uninstall journal of <product>
//   begin<TAB><section><TAB><position><TAB><count before><TAB><path>
//   done<TAB><section><TAB><position><TAB><count after><TAB><path>

// Setup's journal as read: what a run did, kind by kind, in the order it did it.
struct SetupJournal {
    struct Folder {
        std::string path;
        std::uint32_t volume = 0, indexHigh = 0, indexLow = 0; // the very folder the run made
    };
    struct Count {
        std::string file;
        bool had = false;
        std::uint32_t added = 0;
        bool returned = false; // given back by an undo that was stopped: never twice
    };
    struct Value {
        std::string name;
        std::uint32_t type = 0;
        std::vector<unsigned char> data;
    };
    std::vector<Folder> folders;
    std::vector<std::string> files, setAside, atRestart, installed;
    std::vector<Count> counts;
    std::string key; // the registration's key; empty: not reached
    bool keyExisted = false;
    std::vector<Value> values;
    bool committed = false;
};

// Setup's records, one line each.
namespace setuprecord {
std::string header(const std::string& product);
std::string made(const SetupJournal::Folder& folder);
std::string file(const std::string& path);
std::string aside(const std::string& path);
std::string restart(const std::string& path);
std::string counted(const SetupJournal::Count& count);
std::string returned(std::size_t index);
// The registration and the values its key had, in one piece: a journal cut off holds all or
// none of them.
std::string registration(const std::string& key, bool existed,
                         const std::vector<SetupJournal::Value>& values);
std::string installed(const std::string& path);
std::string commit();
} // namespace setuprecord

// Reads setup's journal. False when it is not `product`'s (another header) or holds a line of
// no known form; a text cut off within the header holds nothing yet.
bool readSetupJournal(const std::string& text, const std::string& product, SetupJournal& journal);
// A journal text that reads back as `journal`.
std::string setupJournalText(const SetupJournal& journal, const std::string& product);

// One line of the uninstaller's journal.
struct JournalLine {
    bool done = false; // false: "begin"
    std::string section;
    int position = 0;
    long long count = 0;
    std::string path; // escaped as written
};

std::string uninstallJournalHeader(const std::string& product);
std::string journalLine(const JournalLine& line);
std::string escapedPath(const std::string& path);

// Reads the uninstaller's journal. False when it is not this product's journal: another
// header (or another product's name in it), or a line of another form.
bool readUninstallJournal(const std::string& text, const std::string& product,
                          std::vector<JournalLine>& lines);

// Whether a previous run gave back the count of this entry: a "done" line says so, and so does
// a "begin" line alone. The count as it stands now cannot tell: another product's setup may
// have raised it again since the stop, and a use given back twice takes that product's away.
// A run stopped between its "begin" line and the change leaves the count one too high, so
// that the file stays: the harmless way to be wrong.
bool journalSaysReleased(const std::vector<JournalLine>& lines, const std::string& section,
                         int position, const std::string& path);
