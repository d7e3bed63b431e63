// The dictd import on any index and data: the first two bytes say where the index ends, the
// third whether the data is to be compressed first (so that whole gzip streams are read too).
// A damaged dictionary may only be refused with FormatError.
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"
#include "dictd/Gzip.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const std::size_t rest = size - 3;
    const std::size_t split =
        std::min<std::size_t>(static_cast<std::size_t>(data[0] | data[1] << 8), rest);
    const auto* text = reinterpret_cast<const char*>(data + 3);
    DictdInput input{"fuzz.index", std::string(text, split), "fuzz.dict.dz",
                     std::string(text + split, rest - split)};
    if ((data[2] & 1) != 0)
        input.data = gzip(input.data);
    try {
        importDictd({input});
    } catch (const dictd::FormatError&) {
    }
    return 0;
}
