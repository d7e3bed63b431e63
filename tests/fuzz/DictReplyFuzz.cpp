// A DICT server's reply to any request, however it is cut into received chunks: the first byte
// picks the request and whether the limits are small (so that they are reached), the second
// the size of the chunks. The reader must end within its bounds, and what it keeps must be
// within them; a word sent as a command's argument must read back as itself.
#include "dict/Commands.h"
#include "dict/LineReader.h"
#include "dict/ReplyReader.h"
#include "dict/Tokens.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void checkArgument(std::string_view text) {
    std::string_view line = text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
    const std::string sent = dict::argument(line);
    std::string_view rest = sent;
    const auto back = dict::takeToken(rest);
    if (!back || *back != line || !rest.empty())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const auto request = static_cast<dict::Request>(data[0] % 6);
    dict::Limits limits;
    if ((data[0] & 0x80) != 0)
        limits = {64, 3, 512};
    const std::size_t chunk = 1 + data[1];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    checkArgument(bytes.substr(0, 200));

    dict::LineReader lines(limits.maxLine);
    dict::ReplyReader reader(request, limits);
    std::string line;
    for (std::size_t at = 0; at < bytes.size() && reader.state() == dict::ReplyReader::State::More;
         at += chunk) {
        lines.add(bytes.substr(at, chunk));
        if (lines.pending() > limits.maxLine + 1 + chunk)
            std::abort();
        for (;;) {
            const auto next = lines.next(line);
            if (next == dict::LineReader::Next::More)
                break;
            if (next == dict::LineReader::Next::TooLong) {
                reader.lineTooLong();
                break;
            }
            if (line.size() > limits.maxLine)
                std::abort();
            if (reader.line(line) != dict::ReplyReader::State::More)
                break;
        }
    }
    reader.end();
    const dict::Reply& reply = reader.reply();
    std::size_t kept = reply.statusText.size();
    for (const auto& definition : reply.definitions)
        kept += definition.text.size() + definition.word.size() + definition.database.size();
    if (reply.definitions.size() > limits.maxItems || reply.matches.size() > limits.maxItems ||
        reply.databases.size() > limits.maxItems || kept > limits.maxBytes)
        std::abort();
    if ((reader.state() == dict::ReplyReader::State::Failed) == reader.error().empty())
        std::abort();
    return 0;
}
