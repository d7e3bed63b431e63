#include "LogGenerator.h"

namespace {

const std::vector<std::string> kSections = {"COMMON", "APPFILES", "REGDLLS", "RUNAPPS",
                                            "common", "A",        "",        "X]Y"};
const std::vector<std::string> kKeys = {"Application_Name", "1402", "k", "K", "k ", "", "a=b"};

} // namespace

std::vector<std::string> LogGenerator::sectionNames() const {
    return kSections;
}
std::vector<std::string> LogGenerator::keys() const {
    return kKeys;
}

std::string LogGenerator::word(std::size_t maxLength) {
    static const std::string alphabet = "abcK k=\\rt;[]\t\r\n\0xyz";
    std::string text;
    const std::size_t length = below(maxLength + 1);
    for (std::size_t i = 0; i < length; ++i)
        text += alphabet[below(alphabet.size())];
    return text;
}

std::string LogGenerator::header() {
    std::string name = kSections[below(kSections.size())];
    std::string text = "[" + name + "]";
    if (chance(10))
        text = " " + text;
    if (chance(10))
        text += word(4);
    return text;
}

std::string LogGenerator::line() {
    switch (below(10)) {
    case 0:
        return header();
    case 1:
        return word(2); // usually dropped as too short
    case 2:
        return ";" + word(6);
    case 3:
        return kKeys[below(kKeys.size())] + "=" + word(8);
    case 4:
        return "text with " + header() + " inside";
    case 5:
        return "v=a\\rb\\tc\\\\r";
    default:
        return word(12);
    }
}

std::string LogGenerator::lineEnd() {
    switch (below(20)) {
    case 0:
        return "\n";
    case 1:
        return "\r";
    case 2:
        return "";
    default:
        return "\r\n";
    }
}

std::string LogGenerator::log() {
    std::string text = chance(90) ? header() + "\r\n" : word(5);
    const std::size_t lines = below(40);
    for (std::size_t i = 0; i < lines; ++i)
        text += line() + lineEnd();
    if (chance(50))
        text += line(); // unterminated last piece
    if (chance(30)) {
        for (char& c : text)
            c = static_cast<char>(~static_cast<unsigned char>(c));
    }
    return text;
}
