#include "StardictFiles.h"

#include "DictdFormat.h"
#include "StardictInfo.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace stardict {

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    // A folder opens here too, with a size of no meaning.
    std::error_code error;
    if (!in || fs::is_directory(path, error))
        return false;
    bytes.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    return static_cast<bool>(in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

// The first of `stem` + each ending that exists, else an empty path.
fs::path firstExisting(const fs::path& stem, std::initializer_list<const char*> endings) {
    std::error_code error;
    for (const char* ending : endings) {
        fs::path candidate = stem;
        candidate += ending;
        if (fs::is_regular_file(candidate, error))
            return candidate;
    }
    return {};
}

// Reads `path`, inflating gzip (dictzip is gzip too); throws naming the file.
void readPart(const fs::path& path, std::string& name, std::string& bytes) {
    name = path.string();
    if (!readFile(path, bytes))
        throw FormatError(name, "cannot be opened");
    bytes = dictd::readData(bytes, name);
}

} // namespace

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

Input readFiles(const std::string& path) {
    fs::path info = path;
    std::error_code error;
    if (fs::is_directory(info, error)) {
        std::vector<fs::path> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(info, error)) {
            if (entry.path().extension() == ".ifo")
                found.push_back(entry.path());
        }
        if (found.size() != 1)
            throw FormatError(path, found.empty()
                                        ? "the folder holds no StarDict information file (.ifo)"
                                        : "the folder holds " + std::to_string(found.size()) +
                                              " StarDict dictionaries: name the .ifo of each");
        info = found.front();
    }
    Input input;
    input.infoName = info.string();
    if (!readFile(info, input.info))
        throw FormatError(input.infoName, "cannot be opened");
    fs::path stem = info;
    stem.replace_extension();
    const fs::path index = firstExisting(stem, {".idx", ".idx.gz"});
    const fs::path data = firstExisting(stem, {".dict", ".dict.dz"});
    if (index.empty() || data.empty())
        throw FormatError(input.infoName,
                          "its " + stem.filename().string() +
                              (index.empty() ? ".idx (or .idx.gz)" : ".dict (or .dict.dz)") +
                              " is not beside it: copy the dictionary's files into one folder");
    readPart(index, input.indexName, input.index);
    readPart(data, input.dataName, input.data);
    const fs::path synonyms = firstExisting(stem, {".syn", ".syn.dz", ".syn.gz"});
    if (!synonyms.empty())
        readPart(synonyms, input.synonymsName, input.synonyms);
    const fs::path resources = info.parent_path() / "res";
    if (fs::is_directory(resources, error)) {
        for (fs::recursive_directory_iterator it(resources, error), end; !error && it != end;
             it.increment(error))
            input.resourceFiles += it->is_regular_file(error) ? 1 : 0;
    }
    return input;
}

} // namespace stardict
