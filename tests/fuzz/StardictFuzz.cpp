// The StarDict reader on any index, synonyms and data, and through the import into rows. The
// first byte chooses: 64-bit offsets (1), a sametypesequence from the input (2), synonyms (4),
// counts taken from the input rather than the files (8, so that the information file may lie).
// Then come the lengths of the sequence (one byte), the index and the synonyms (two bytes each,
// little-endian), the counts (two bytes each), and the parts in that order, the data last.
// A damaged dictionary may only be refused with FormatError.
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"
#include "dictbuild/StardictDictionary.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// Records in `bytes` as the reader counts them: a word to its NUL, then `width` bytes.
std::size_t records(const std::string& bytes, std::size_t width) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < bytes.size(); ++count) {
        const std::size_t nul = bytes.find('\0', at);
        if (nul == std::string::npos)
            return count + 1;
        at = nul + 1 + width;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 10)
        return 0;
    const unsigned flags = data[0];
    const auto number = [data](std::size_t at) {
        return static_cast<std::size_t>(data[at] | data[at + 1] << 8);
    };
    std::size_t at = 10;
    const auto take = [&](std::size_t length) {
        length = std::min(length, size - at);
        std::string part(reinterpret_cast<const char*>(data + at), length);
        at += length;
        return part;
    };
    const std::string sequence = take(data[1] % 8);
    stardict::Input input;
    input.infoName = "fuzz.ifo";
    input.indexName = "fuzz.idx";
    input.index = take(number(2));
    const std::string synonyms = take(number(4));
    if ((flags & 4) != 0) {
        input.synonymsName = "fuzz.syn";
        input.synonyms = synonyms;
    }
    input.dataName = "fuzz.dict";
    input.data = take(size - at);
    const bool wide = (flags & 1) != 0;
    const bool lying = (flags & 8) != 0;
    input.info =
        std::string(stardict::kInfoFirstLine) + "\nversion=3.0.0\nbookname=fuzz\n" +
        "wordcount=" + std::to_string(lying ? number(6) : records(input.index, wide ? 12 : 8)) +
        "\nidxfilesize=" + std::to_string(input.index.size()) +
        "\nidxoffsetbits=" + (wide ? "64" : "32") +
        "\nsynwordcount=" + std::to_string(lying ? number(8) : records(input.synonyms, 4)) + "\n" +
        ((flags & 2) != 0 ? "sametypesequence=" + sequence + "\n" : "");
    try {
        DictdInput dictionary;
        dictionary.stardict =
            std::make_shared<stardict::Dictionary>(stardict::readDictionary(input));
        importDictd({dictionary});
    } catch (const stardict::FormatError&) {
    } catch (const dictd::FormatError&) {
    }
    return 0;
}
