#pragma once

#include <string>
#include <vector>

// `mdbview page [--dictionary NAME] <file> <term>...`: the page the glossary shows for each term
// as Ctrl+C copies it (lines end in CR LF), pages apart by a line holding a form feed. A term
// is found as the search box finds it typed, but only when equal to it, ignoring case at most.
// With a dictionary named, the page shows only that dictionary's part, as the Dictionaries
// dialog would with the others off. Returns 0 when every term had a page, 1 else (the page
// left empty and the term named on the error output), 2 for a dictionary the file lacks.
int pageCommand(const std::string& path, const std::u16string& dictionary,
                const std::vector<std::u16string>& terms);
