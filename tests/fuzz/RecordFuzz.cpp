// Any bytes as registry and pre-uninstall records: no crash and no read outside the text.
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
    const PreUninstallRecord program(text);
    if (program.commandLine().size() > size + 3)
        std::abort();
    return 0;
}
