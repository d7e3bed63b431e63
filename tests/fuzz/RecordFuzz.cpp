// Any bytes as registry and pre-uninstall records and as paths: no crash, no read outside the
// text, and the rules' own promises hold.
#include "engine/PathRules.h"
#include "engine/PreUninstallRecord.h"
#include "engine/RegistryRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const RegistryRecord key = readRegistryRecord(text, false);
    const RegistryRecord value = readRegistryRecord(text, true);
    // A record is never both protected and deleted, and fields never exceed the record.
    if (key.keyPath.size() > size || value.valueName.size() > size)
        std::abort();
    // What the protection rule saw is what the registry gets: no empty, doubled or end separator.
    for (const RegistryRecord* record : {&key, &value}) {
        const std::string& path = record->keyPath;
        if (record->deletable() && (path.empty() || path.front() == '\\' || path.back() == '\\' ||
                                    path.find("\\\\") != std::string::npos))
            std::abort();
    }
    const std::string comparable = comparablePath(text);
    if (comparablePath(comparable) != comparable || !samePath(text, text))
        std::abort();
    if (isPlainAbsolutePath(text) &&
        (text.find("\\..\\") != std::string::npos || text.find("/../") != std::string::npos))
        std::abort();
    const PreUninstallRecord program(text);
    if (program.commandLine().size() > size + 3)
        std::abort();
    return 0;
}
