#pragma once

#include <string>

// `dictbuild --dictd-out [--dictionary NAME] <Dict.mdb> <folder>`: the glossary's database, or
// one dictionary of it, written as a dictd dictionary (NAME.index and NAME.dict.dz in
// `folder`, NAME the dictionary's or the database's) that a dictd server serves and that
// dictbuild imports to the same pages. Nothing is left half-written. Returns the exit code: 0
// when written, 1 after a message naming the file and the reason.
int writeDictdOut(const std::string& database, const std::u16string& dictionary,
                  const std::string& folder);
