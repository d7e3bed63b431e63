#pragma once

#include <cstddef>
#include <string>

// The files of one StarDict dictionary, found beside its information file and read whole.
namespace stardict {

struct Input {
    std::string infoName, info;
    std::string indexName, index;       // decompressed when it was .idx.gz
    std::string dataName, data;         // decompressed when it was .dict.dz
    std::string synonymsName, synonyms; // no name: the dictionary has no .syn
    std::size_t resourceFiles = 0;      // pictures and sounds in the res folder beside
};

// Whether `path` is a folder.
bool isFolder(const std::string& path);

// The dictionary whose information file is `path`, or the one in folder `path`. Throws
// FormatError naming what is missing, damaged or cannot be opened.
Input readFiles(const std::string& path);

} // namespace stardict
