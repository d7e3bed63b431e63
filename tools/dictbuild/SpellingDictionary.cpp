#include "SpellingDictionary.h"

#include "jet/TextCodec.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef HAVE_HUNSPELL
#include <hunspell/hunspell.hxx>
#else
// Built without Hunspell: no dictionary can be read, and the import says how to get it.
class Hunspell {};
#endif

namespace {

void requireReadable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        throw std::runtime_error("cannot open the spelling dictionary " + path);
    std::fclose(file);
}

std::runtime_error notUtf8(const std::string& affixes, const std::string& encoding) {
    return std::runtime_error("the spelling dictionary " + affixes + " is in " + encoding +
                              ", not UTF-8: convert both files to UTF-8 (iconv) and write "
                              "SET UTF-8 in the affix file");
}

// The encoding an affix file names as Hunspell reads it: its first SET line (after a byte
// order mark), else Latin-1.
std::string affixEncoding(const std::string& affixes) {
    std::ifstream in(affixes, std::ios::binary);
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        if (line.compare(0, 3, "SET") != 0)
            continue;
        std::istringstream words(line);
        std::string set, encoding;
        words >> set >> encoding;
        return encoding;
    }
    return "ISO8859-1";
}

} // namespace

SpellingDictionary::SpellingDictionary(const SpellingFiles& files)
    : SpellingDictionary(files, SpellingAlphabet()) {}

SpellingDictionary::SpellingDictionary(const SpellingFiles& files, SpellingAlphabet alphabet) {
#ifdef HAVE_HUNSPELL
    const std::string &affixes = files.affixes, &words = files.words;
    // Hunspell reads a missing file as an empty one: every word would be unknown, unnoticed.
    requireReadable(affixes);
    requireReadable(words);
    hunspell_ = std::make_unique<Hunspell>(affixes.c_str(), words.c_str());
    alphabet_ = alphabet.empty() ? SpellingAlphabet(files) : std::move(alphabet);
    if (hunspell_->get_dict_encoding() != "UTF-8")
        throw notUtf8(affixes, hunspell_->get_dict_encoding());
#else
    (void)alphabet;
    check(files);
#endif
}

void SpellingDictionary::check(const SpellingFiles& files) {
#ifndef HAVE_HUNSPELL
    throw std::runtime_error("this dictbuild was built without Hunspell, so it cannot read " +
                             files.affixes + " and " + files.words +
                             ": install libhunspell-dev (or for Windows run "
                             "scripts/build-hunspell.sh) and build it again");
#endif
    requireReadable(files.affixes);
    requireReadable(files.words);
    const std::string encoding = affixEncoding(files.affixes);
    if (encoding != "UTF-8")
        throw notUtf8(files.affixes, encoding);
}

SpellingDictionary::~SpellingDictionary() = default;
SpellingDictionary::SpellingDictionary(SpellingDictionary&&) noexcept = default;
SpellingDictionary& SpellingDictionary::operator=(SpellingDictionary&&) noexcept = default;

std::vector<std::string> SpellingDictionary::stems(const std::string& word) const {
#ifdef HAVE_HUNSPELL
    if (!alphabet_.spells(jet::fromUtf8(word)))
        return {};
    // The readings with the fewest affixes: "programs" is "program" plus "s", not also "gram"
    // with "pro-" and "-s".
    const std::vector<std::string> readings = hunspell_->analyze(word);
    std::vector<std::string> simplest;
    std::size_t fewest = static_cast<std::size_t>(-1);
    for (const std::string& reading : readings) {
        std::size_t affixes = 0;
        for (std::size_t at = reading.find("fl:"); at != std::string::npos;
             at = reading.find("fl:", at + 3))
            ++affixes;
        if (affixes < fewest)
            simplest.clear();
        if (affixes <= fewest) {
            fewest = affixes;
            simplest.push_back(reading);
        }
    }
    return simplest.empty() ? simplest : hunspell_->stem(simplest);
#else
    (void)word;
    return {};
#endif
}

bool SpellingDictionary::available() {
#ifdef HAVE_HUNSPELL
    return true;
#else
    return false;
#endif
}
