#pragma once

#include <string>

// A Dict.mdb of `terms` rows "Term 0", "Term 1", ... in that order, each with a definition of
// a few lines; false when it cannot be written.
bool writeLargeDictionary(const std::string& path, int terms);
