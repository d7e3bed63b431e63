#pragma once

#include <string>

// A Dict.mdb of `terms` rows "Term 0", "Term 1", ... (or `word` and the number) in that order,
// each with a definition of a few lines; false when it cannot be written.
bool writeLargeDictionary(const std::string& path, int terms,
                          const std::u16string& word = u"Term ");
