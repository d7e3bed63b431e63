// Any bytes as a setup log: no crash, no read outside the text, and the indexed reader still
// answers exactly as the rescanning reference does.
#include "setuplog/ReferenceSetupLog.h"
#include "setuplog/SetupLog.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool same) {
    if (!same)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // First byte: how much of the buffer "arrived", as after a short read.
    const std::size_t arrived = data[0] == 0xFF ? (size - 1) / 2 : size - 1;
    const std::string buffer(reinterpret_cast<const char*>(data) + 1, size - 1);

    const SetupLog fast = SetupLog::fromBuffer(buffer, arrived);
    const ReferenceSetupLog slow(buffer, arrived);
    check(fast.text() == slow.text);

    std::vector<std::string> names = {"COMMON", "APPFILES", "A", ""};
    // Names taken from the input itself reach the sections it actually has.
    for (std::size_t open = slow.text.find('['); open != std::string::npos && names.size() < 12;
         open = slow.text.find('[', open + 1)) {
        const std::size_t close = slow.text.find(']', open);
        if (close == std::string::npos)
            break;
        names.push_back(slow.text.substr(open + 1, close - open - 1));
    }
    for (const std::string& name : names) {
        const int count = slow.entryCount(name);
        check(fast.entryCount(name) == count);
        for (int position = -1; position <= count && position < 64; ++position) {
            std::string a, b;
            check(fast.entry(a, name, position) == slow.entry(b, name, position) && a == b);
            const std::size_t equals = b.find('=');
            const std::string key = equals == std::string::npos ? b : b.substr(0, equals);
            std::string va, vb;
            check(fast.value(va, name, key, "\\r", true) == slow.value(vb, name, key, "\\r", true));
            check(va == vb);
        }
    }
    return 0;
}
