#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The line form both programs write their journals in, and their reports too: one record a
// line, fields separated by TABs, each line ended by CR LF, control characters in a field
// written as <0A>, <09>... A journal begins with a header line that names it and its product.
// Portable.

// The text with each control character written as <XX>, so that no field holds a TAB or a
// line end.
std::string controlsEscaped(const std::string& text);

// One line of a journal: the fields, escaped, TAB-separated, with the line end.
std::string journalRecord(const std::vector<std::string>& fields);

// The first line of the journal that `program` ("Setup", "Uninstall") keeps for `product`.
std::string journalHeader(const std::string& program, const std::string& product);

// The records of a journal's text, each split into its fields (as written, escaped). False
// when the text does not begin with `header` (its whole first line, line end included); an
// empty text, or one cut off within the header, has no records and is no error. A last line
// without its line end was cut off as it was written and counts for nothing.
bool readJournalRecords(const std::string& text, const std::string& header,
                        std::vector<std::vector<std::string>>& records);

// How much of a journal's text is whole lines. What a stopped run wrote last, cut off
// mid-line, is cut away before anything is added: ended instead, it would read as a line.
std::size_t wholeLines(const std::string& text);

// A field that must read back exactly as given (a registry value's name may hold "<0A>"
// itself): its "<" is written as <3C> too, before `journalRecord` escapes the controls.
std::string exactField(const std::string& text);
// The text of a field so written: every <XX> back to its byte. False when a "<" starts no
// such escape, which the writer never leaves.
bool unescapedField(const std::string& field, std::string& text);

// A number field: decimal digits, led by "-" only where `lowest` is below zero. False for any
// other text and for a number outside lowest..highest.
bool numberField(const std::string& field, long long lowest, long long highest, long long& value);

// Bytes as two lower-case hex digits each, and back: false for any other text.
std::string hexField(const std::vector<unsigned char>& bytes);
bool hexFieldBytes(const std::string& field, std::vector<unsigned char>& bytes);
