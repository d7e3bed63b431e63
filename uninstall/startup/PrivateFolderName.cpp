#include "PrivateFolderName.h"

#include "engine/PathRules.h"

namespace {

constexpr std::size_t kPrefixLength = sizeof kPrivateFolderPrefix - 1;
constexpr std::size_t kDigits = 32;

bool isLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

std::string parentOf(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string nameOf(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? path : path.substr(last + 1);
}

} // namespace

std::string privateFolderName(const std::uint8_t (&random)[16]) {
    static const char kHex[] = "0123456789abcdef";
    std::string name = kPrivateFolderPrefix;
    for (const std::uint8_t byte : random) {
        name += kHex[byte >> 4];
        name += kHex[byte & 15];
    }
    return name;
}

bool isPrivateFolderName(const std::string& name) {
    if (name.size() != kPrefixLength + kDigits ||
        name.compare(0, kPrefixLength, kPrivateFolderPrefix) != 0)
        return false;
    for (std::size_t i = kPrefixLength; i < name.size(); ++i) {
        if (!isLowerHex(name[i]))
            return false;
    }
    return true;
}

bool liesInPrivateFolder(const std::string& copyPath, const std::string& temporaryDirectory) {
    const std::string folder = parentOf(copyPath);
    return isPlainAbsolutePath(copyPath) && isPrivateFolderName(nameOf(folder)) &&
           !temporaryDirectory.empty() && samePath(parentOf(folder), temporaryDirectory);
}
