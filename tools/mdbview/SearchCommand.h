#pragma once

#include <string>

// `mdbview search <file> <words>`: the entries whose definitions hold the words (phrases in
// double quotes), best first, one a line: term, TAB, dictionary. A database without the
// full-text index is searched by reading every row (the dictionary is then not known).
// `mdbview terms <file> <pattern>`: the terms matching a pattern with * and ?, in table order.
// `mdbview forms <file> [<word>]`: the bases a word is a form of, one a line; without a word
// every form, TAB, its base.
// All return the exit code: 0 found, 1 none found or the file cannot be read.
int searchCommand(const std::string& path, const std::u16string& words, bool timing);
int wildcardCommand(const std::string& path, const std::u16string& pattern, bool timing);
int formsCommand(const std::string& path, const std::u16string& word, bool timing);
