// The dictd import on any index and data: the first two bytes say where the index ends, the
// third whether the data is to be compressed first (so that whole gzip streams are read too).
// A damaged dictionary may only be refused with FormatError.
#include "dictbuild/DictdFormat.h"
#include "dictbuild/DictdImport.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::string gzip(const std::string& text) {
    z_stream stream = {};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return text;
    std::string out(deflateBound(&stream, text.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const std::size_t rest = size - 3;
    const std::size_t split = std::min<std::size_t>(static_cast<std::size_t>(data[0] | data[1] << 8), rest);
    const auto* text = reinterpret_cast<const char*>(data + 3);
    DictdInput input{"fuzz.index", std::string(text, split), "fuzz.dict.dz", std::string(text + split, rest - split)};
    if ((data[2] & 1) != 0)
        input.data = gzip(input.data);
    try {
        importDictd({input});
    } catch (const dictd::FormatError&) {
    }
    return 0;
}
