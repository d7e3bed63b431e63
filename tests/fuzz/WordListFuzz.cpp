// Any bytes as a word list file: no crash; what is read is written back as it was read.
#include "history/Favourites.h"
#include "history/WordListFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto reading =
        history::readWordList(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.refusal.empty() && !reading.lines.empty())
        std::abort();
    history::Favourites favourites;
    favourites.add(reading.lines);
    const auto again = history::readWordList(history::writeWordList(favourites.words()));
    if (!again.refusal.empty() || again.lines != favourites.words())
        std::abort();
    return 0;
}
