// Any bytes as a program file's path, an application directory and logged files (separated
// by zero bytes): no crash, and the matching keeps its promises.
#include "engine/PathRules.h"
#include "engine/ProductPrograms.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    const std::string image = parts[0];
    ProductPlaces places;
    if (parts.size() > 1)
        places.applicationDirectory = parts[1];
    places.files.assign(parts.begin() + (parts.size() > 2 ? 2 : parts.size()), parts.end());
    const bool product = isProductProgram(image, places);
    // A logged file itself, by any spelling the system uses, is the product's.
    for (const std::string& file : places.files) {
        if (isPlainAbsolutePath(file) && !isProductProgram(file, places))
            std::abort();
        if (isPlainAbsolutePath(file) && !isProductProgram("\\\\?\\" + file, places) &&
            file.compare(0, 2, "\\\\") != 0)
            std::abort();
    }
    // Nothing counts without a place of the product.
    if (product && !isPlainAbsolutePath(places.applicationDirectory) && places.files.empty())
        std::abort();
    // A drive's root is no product's folder.
    if (isProductProgram(image, ProductPlaces{"C:\\", {}}))
        std::abort();
    const ProgramIdentity listed{image, 1};
    if (!image.empty() && !sameProgram(listed, listed))
        std::abort();
    if (sameProgram(listed, ProgramIdentity{image, 2}))
        std::abort();
    return 0;
}
