#pragma once

#include "dictbuild/StardictDictionary.h"
#include "dictbuild/StardictFiles.h"
#include "dictbuild/StardictInfo.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// StarDict dictionaries written in memory for the tests, as the format lays them out.
namespace stardict_test {

inline std::string bigEndian(std::uint64_t value, std::size_t width) {
    std::string bytes(width, '\0');
    for (std::size_t i = width; i-- > 0; value >>= 8)
        bytes[i] = static_cast<char>(value & 0xFF);
    return bytes;
}

struct Writer {
    std::string name = "test";
    std::string sameTypes = "m";
    bool wideOffsets = false;
    std::vector<std::pair<std::string, std::string>> entries; // headword, the entry's bytes
    std::vector<std::pair<std::string, std::uint32_t>> synonyms;
    std::string extraInfo; // more key=value lines

    stardict::Input input() const {
        stardict::Input input;
        input.infoName = name + ".ifo";
        input.indexName = name + ".idx";
        input.dataName = name + ".dict.dz";
        for (const auto& [headword, bytes] : entries) {
            input.index += headword + '\0' + bigEndian(input.data.size(), wideOffsets ? 8 : 4) +
                           bigEndian(bytes.size(), 4);
            input.data += bytes;
        }
        if (!synonyms.empty()) {
            input.synonymsName = name + ".syn";
            for (const auto& [word, entry] : synonyms)
                input.synonyms += word + '\0' + bigEndian(entry, 4);
        }
        input.info =
            std::string(stardict::kInfoFirstLine) +
            "\nversion=" + (wideOffsets ? "3.0.0" : "2.4.2") +
            "\nbookname=Test Book\nwordcount=" + std::to_string(entries.size()) +
            "\nidxfilesize=" + std::to_string(input.index.size()) + "\n" +
            (wideOffsets ? "idxoffsetbits=64\n" : "") +
            (synonyms.empty() ? "" : "synwordcount=" + std::to_string(synonyms.size()) + "\n") +
            (sameTypes.empty() ? "" : "sametypesequence=" + sameTypes + "\n") + extraInfo;
        return input;
    }
};

// The message that refuses `input`; empty when it is read.
inline std::string failure(const stardict::Input& input) {
    try {
        stardict::readDictionary(input);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

// The page of the first entry under `headword`; "(none)" when there is none.
inline std::string page(const stardict::Dictionary& dictionary, const std::string& headword) {
    for (const stardict::Dictionary::Entry& entry : dictionary.entries) {
        if (entry.headword == headword)
            return dictionary.pages.substr(entry.offset, entry.length);
    }
    return "(none)";
}

} // namespace stardict_test
