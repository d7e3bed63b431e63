#include "ProductPrograms.h"

#include "PathRules.h"

#include <algorithm>

namespace {

bool isRoot(const std::string& folder) {
    const std::string comparable = comparablePath(folder);
    if (comparable.size() == 3 && comparable[1] == ':')
        return true;
    // "\\server\share": two separators after the leading pair.
    return comparable.compare(0, 2, "\\\\") == 0 &&
           std::count(comparable.begin() + 2, comparable.end(), '\\') <= 1;
}

} // namespace

bool isProductProgram(const std::string& image, const ProductPlaces& places) {
    if (image.empty())
        return false;
    const std::string& folder = places.applicationDirectory;
    if (isPlainAbsolutePath(folder) && !isRoot(folder) && liesIn(image, folder))
        return true;
    return std::any_of(places.files.begin(), places.files.end(), [&](const std::string& file) {
        return isPlainAbsolutePath(file) && samePath(image, file);
    });
}

bool sameProgram(const ProgramIdentity& listed, const ProgramIdentity& now) {
    return !listed.image.empty() && listed.started != 0 && listed.started == now.started &&
           samePath(listed.image, now.image);
}
