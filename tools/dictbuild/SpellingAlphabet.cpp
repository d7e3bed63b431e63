#include "SpellingAlphabet.h"

#include "SpellingDictionary.h"
#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

// Each code unit's case folding when it is one code unit, else the unit itself: what the
// letters are kept and looked up by. Made once: the folding of all 65,536 takes milliseconds.
const std::array<char16_t, 0x10000>& foldedUnits() {
    static const std::array<char16_t, 0x10000> table = [] {
        std::array<char16_t, 0x10000> folded{};
        for (std::size_t unit = 0; unit < folded.size(); ++unit) {
            const char16_t c = static_cast<char16_t>(unit);
            const std::u16string one = text::foldCase(std::u16string_view(&c, 1));
            folded[unit] = one.size() == 1 ? one[0] : c;
        }
        return folded;
    }();
    return table;
}

} // namespace

SpellingAlphabet::SpellingAlphabet(const SpellingFiles& files) {
    for (const std::string& path : {files.affixes, files.words}) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot open the spelling dictionary " + path);
        addText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
}

void SpellingAlphabet::addText(std::string_view text) {
    const std::array<char16_t, 0x10000>& folded = foldedUnits();
    for (const char16_t c : jet::fromUtf8(std::string(text)))
        letters_.set(folded[c]);
}

void SpellingAlphabet::add(const SpellingAlphabet& other) {
    letters_ |= other.letters_;
}

bool SpellingAlphabet::spells(std::u16string_view word) const {
    const std::array<char16_t, 0x10000>& folded = foldedUnits();
    for (const char16_t c : word) {
        if (!letters_.test(folded[c]))
            return false;
    }
    return true;
}
