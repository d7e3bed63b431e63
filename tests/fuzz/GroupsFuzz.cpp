// Any stored lines as groups: no crash; what is read is written back as it was read.
#include "groups/DictionaryGroups.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // UTF-16 code units, lines split at NUL as the registry's list of lines is.
    std::vector<std::u16string> lines(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            lines.emplace_back();
        else
            lines.back() += unit;
    }
    const groups::Groups read = groups::Groups::fromRemembered(lines);
    if (read.list().size() > groups::kMostGroups || read.chosen() > read.list().size())
        std::abort();
    const std::vector<std::u16string> written = read.remembered();
    const groups::Groups again = groups::Groups::fromRemembered(written);
    if (again.remembered() != written || again.chosen() != read.chosen())
        std::abort();
    return 0;
}
