#pragma once

#include "WordForms.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Finds the word forms of an import (WordForms.h): every word of the terms and definitions
// that is no term itself is given to each language's spelling dictionary, and the bases it
// names that are terms are kept. Words are kept once, in one block of memory: the import is at
// its peak when they are.
namespace search {

class WordFormsBuilder {
public:
    // A language's base forms of a word (UTF-8, as written), best first: what its spelling
    // dictionary says. Each is called from one thread at a time, perhaps not the builder's.
    using Stems = std::function<std::vector<std::string>(const std::string& word)>;
    // Whether a word (as written) may be a word of some language at all: one that may not is
    // never kept, nor asked about.
    using MayBeWord = std::function<bool(std::u16string_view word)>;

    explicit WordFormsBuilder(MayBeWord mayBeWord = {}) : mayBeWord_(std::move(mayBeWord)) {}

    // A term of the database, and a text (HTML) whose words may be forms.
    void addTerm(std::u16string_view term);
    void addText(std::u16string_view html);
    // The same in one pass with the full-text index (IndexBuilder): a term without its words,
    // then each word of a text as written, in order, then the text's end. A word may come
    // again; only its first coming counts.
    void noteTerm(std::u16string_view term);
    void addWrittenWord(std::u16string_view word);
    void endText();
    std::size_t candidateCount() const { return starts_.size(); }

    // Keeps only the words worth asking about, once every term is in: the import calls it
    // before its memory's peak. No word or term may be added after it.
    void select();

    // The forms with their bases, sorted by form, each language in the order given; the
    // languages are asked side by side. `asked` (if given) gets how many words were asked
    // about. The builder is left empty.
    std::vector<WordForm> resolve(const std::vector<Stems>& languages,
                                  std::size_t* asked = nullptr);

private:
    bool isTerm(std::string_view folded) const;
    bool isTerm(std::uint64_t hash) const; // of a folded word
    void addWords(std::u16string_view text, bool markup);
    // Its slot, else the free one it takes.
    std::size_t slotOf(std::string_view bytes, std::uint64_t hash) const;
    std::string_view candidate(std::size_t index) const;
    void grow(std::size_t words); // room for `words` candidates at least

    std::vector<std::uint64_t> terms_; // hashes of the folded terms; sorted when resolving
    // Where the sorted hashes of each value of their top bits begin: a lookup reads one or
    // two cache lines, where a binary search of a million hashes missed the cache ten times.
    std::vector<std::uint32_t> termBuckets_;
    std::string words_; // the candidates, one after another
    std::vector<std::uint32_t> starts_;
    // Open addressing: candidate index + 1 (0 when free) under the high half of its hash.
    std::vector<std::uint64_t> slots_;
    bool selected_ = false;
    MayBeWord mayBeWord_;
    // The words of the text being added, gathered before they are looked up.
    struct Pending {
        std::uint64_t hash;
        std::uint32_t at, length; // in pendingText_
    };
    std::vector<Pending> pending_;
    std::string pendingText_;
};

} // namespace search
