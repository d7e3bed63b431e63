#pragma once

#include <string>
#include <vector>

// What every journal of the product is: a file written through to the disk as a run goes, so
// that the next run after one that was stopped knows what it did. A header line names the
// journal and its product; then one record a line, fields separated by TABs, each line ended
// by CR LF, control characters in a field written as <0A>, <09>... A last line without its
// line end was cut off as it was written and counts for nothing. The uninstaller's journal and
// the setup program's are both written so. Portable.

// One line of a journal: the fields, escaped, TAB-separated, with the line end.
std::string journalRecord(const std::vector<std::string>& fields);

// The records of a journal's text, each split into its fields (as written, escaped). False
// when the text does not begin with `header` (its whole first line, line end included); an
// empty text, or one cut off within the header, has no records and is no error.
bool readJournalRecords(const std::string& text, const std::string& header,
                        std::vector<std::vector<std::string>>& records);

// A field that must read back exactly as given (a registry value's name may hold "<0A>"
// itself): its "<" is written as <3C> too, before `journalRecord` escapes the controls.
std::string exactField(const std::string& text);
// The text of a field so written: every <XX> back to its byte. False when a "<" starts no
// such escape, which the writer never leaves.
bool unescapedField(const std::string& field, std::string& text);
