#include "TermScan.h"

#include "text/Folding.h"

TermScan scanTerms(const TermList& terms, const TermList& upper, std::u16string_view text,
                   std::u16string_view upperText, std::u16string_view letters, bool prefixes) {
    TermScan scan;
    const bool typed = !text.empty();
    std::vector<std::uint32_t> sameAsText, sameAsPrefix;
    std::u16string_view prefixTerm;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        const std::u16string_view folded = upper[i];
        const auto entry = static_cast<std::uint32_t>(i);
        // A kind is looked for only while no kind before it has matched.
        if (typed && folded == upperText) {
            sameAsText.push_back(entry);
            if (scan.equal < 0)
                scan.equal = static_cast<int>(i);
            if (scan.exact < 0 && terms[i] == text)
                scan.exact = static_cast<int>(i);
        }
        if (scan.equal >= 0)
            continue;
        if (scan.equalLetters < 0) {
            const std::u16string_view term = terms[i];
            if (text::beginsWithLetters(term, letters)) {
                if (scan.prefixLetters < 0)
                    scan.prefixLetters = static_cast<int>(i);
                // Folding never makes a text shorter than half its length: most terms are
                // refused without being folded.
                if (typed && term.size() <= 2 * letters.size() + 2 &&
                    text::foldAccents(term) == letters)
                    scan.equalLetters = static_cast<int>(i);
            }
        }
        if (scan.equalLetters >= 0 || !prefixes)
            continue;
        if (scan.prefix < 0 && folded.substr(0, upperText.size()) == upperText) {
            scan.prefix = static_cast<int>(i);
            prefixTerm = folded;
        }
        // Any entry equal to the first prefix match comes after it: it begins with the text too.
        if (scan.prefix >= 0 && folded == prefixTerm)
            sameAsPrefix.push_back(entry);
    }
    if (scan.equal >= 0) {
        scan.sameCaseOf = std::u16string(upperText);
        scan.sameCase = std::move(sameAsText);
    } else if (scan.equalLetters < 0 && scan.prefix >= 0) {
        scan.sameCaseOf = std::u16string(prefixTerm);
        scan.sameCase = std::move(sameAsPrefix);
    }
    return scan;
}

std::pair<int, TermScan::Kind> TermScan::best() const {
    const std::pair<int, Kind> kinds[] = {{exact >= 0 ? exact : equal, Kind::Equal},
                                          {equalLetters, Kind::EqualLetters},
                                          {prefix, Kind::Prefix},
                                          {prefixLetters, Kind::PrefixLetters}};
    for (const auto& kind : kinds) {
        if (kind.first >= 0)
            return kind;
    }
    return {-1, Kind::Nothing};
}
