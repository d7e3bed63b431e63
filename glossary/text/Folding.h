#pragma once

#include <string>
#include <string_view>

// One rule for comparing text across the glossary and its import: Unicode's full case folding
// ("Straße" and "STRASSE" fold alike, so do "Łódź" and "łódź", and both sigmas), letters
// without their accents, and a language-neutral order built on both. The tables come from the
// Unicode Character Database (tools/unicodegen).
namespace text {

// Unicode full case folding (CaseFolding.txt, status C and F).
std::u16string foldCase(std::u16string_view text);

// Case folded, and every letter reduced to the letter it is written on ("école" to "ecole",
// "Łódź" to "lodz"): what the order compares first and the search that ignores accents uses.
std::u16string foldAccents(std::u16string_view text);

// Whether foldAccents(text) begins with `letters`, looking no further than it takes to tell.
bool beginsWithLetters(std::u16string_view text, std::u16string_view letters);

// The order of terms: letters compared without accents and case first, then accents (none
// before any), then case (lower before upper), then code units; so "ecole", "Ecole",
// "école", "École", "écoles". Digits come after punctuation and before letters; Latin, Greek,
// Cyrillic and CJK follow one another in that order. Negative, zero or positive.
int collate(std::u16string_view a, std::u16string_view b);

// The order of two foldAccents() keys alone: the first of collate's comparisons.
int collateKeys(std::u16string_view keyA, std::u16string_view keyB);

// The same order when both foldAccents() keys are at hand (as when sorting many terms).
int collate(std::u16string_view a, std::u16string_view keyA, std::u16string_view b,
            std::u16string_view keyB);

} // namespace text
