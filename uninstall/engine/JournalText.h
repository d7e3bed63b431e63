#pragma once

#include <string>
#include <vector>

// The text of the journal in which the shared-file stage records each use count it gives back,
// so that a run stopped half-way and started again never gives one back twice. Portable.
//
//   Uninstall journal of <product>
//   begin<TAB><section><TAB><position><TAB><count before><TAB><path>
//   done<TAB><section><TAB><position><TAB><count after><TAB><path>
//
// Lines end with CR LF; control characters of a path are written as <0A>, <09>...
struct JournalLine {
    bool done = false; // false: "begin"
    std::string section;
    int position = 0;
    long long count = 0;
    std::string path; // escaped as written
};

std::string journalHeader(const std::string& product);
std::string journalLine(const JournalLine& line);
std::string escapedPath(const std::string& path);

// Reads a journal's text. False when it is not this product's journal: another header (or
// another product's name in it), or a line of another form. A last line without its line end
// was cut off as it was written and is left out.
bool readJournal(const std::string& text, const std::string& product,
                 std::vector<JournalLine>& lines);

// Whether a previous run gave back the count of this entry: a "done" line says so, and so does
// a "begin" line alone. The count as it stands now cannot tell: another product's setup may
// have raised it again since the stop, and a use given back twice takes that product's away.
// A run stopped between its "begin" line and the change leaves the count one too high, so
// that the file stays: the harmless way to be wrong.
bool journalSaysReleased(const std::vector<JournalLine>& lines, const std::string& section,
                         int position, const std::string& path);
