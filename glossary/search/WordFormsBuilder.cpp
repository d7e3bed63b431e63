#include "WordFormsBuilder.h"

#include "Prefetch.h"
#include "Words.h"

#include "jet/TextCodec.h"
#include "text/Folding.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace search {

namespace {

constexpr std::uint64_t kHigh = 0xFFFFFFFF00000000ull;
constexpr unsigned kBucketBits = 20;

std::uint64_t hashOf(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a: the same on 32-bit builds
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

// Whether a word begins with a capital letter (one that case folding changes).
bool capitalised(const std::string& word) {
    const std::u16string text = jet::fromUtf8(word.substr(0, 4));
    return !text.empty() && text::foldCase(text.substr(0, 1)) != text.substr(0, 1);
}

// A word worth asking about: two letters at least, no digit (numbers, codes, dates).
bool mayBeForm(std::u16string_view word) {
    if (word.size() < 2)
        return false;
    return std::none_of(word.begin(), word.end(),
                        [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

void WordFormsBuilder::noteTerm(std::u16string_view term) {
    terms_.push_back(hashOf(foldWord(term)));
}

void WordFormsBuilder::addTerm(std::u16string_view term) {
    noteTerm(term);
    addWords(term, false);
}

void WordFormsBuilder::addText(std::u16string_view html) {
    addWords(html, true);
}

void WordFormsBuilder::addWords(std::u16string_view text, bool markup) {
    forEachWrittenWord(text, markup, [this](std::u16string_view word) { addWrittenWord(word); });
    endText();
}

void WordFormsBuilder::addWrittenWord(std::u16string_view word) {
    if (word.size() > kMaxWordLength || !mayBeForm(word) || (mayBeWord_ && !mayBeWord_(word)))
        return;
    const std::size_t at = pendingText_.size();
    jet::appendUtf8(pendingText_, word);
    const std::string_view bytes = std::string_view(pendingText_).substr(at);
    pending_.push_back(
        {hashOf(bytes), static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(bytes.size())});
}

void WordFormsBuilder::endText() {
    if (pending_.empty())
        return;
    if (slots_.size() < 2 * (starts_.size() + pending_.size() + 1))
        grow(starts_.size() + pending_.size());
    // Nearly every lookup misses the cache: asked for all the text's slots ahead, the memory
    // fetches them side by side instead of one after another.
    const std::size_t mask = slots_.size() - 1;
    for (const Pending& word : pending_)
        prefetch(&slots_[word.hash & mask]);
    for (const Pending& word : pending_) {
        const std::uint64_t slot = slots_[word.hash & mask];
        if (slot != 0 && (slot & kHigh) == (word.hash & kHigh))
            prefetch(words_.data() + starts_[static_cast<std::uint32_t>(slot) - 1]);
    }
    for (const Pending& word : pending_) {
        const std::string_view bytes = std::string_view(pendingText_).substr(word.at, word.length);
        const std::size_t at = slotOf(bytes, word.hash);
        if (slots_[at] != 0)
            continue;
        slots_[at] = (word.hash & kHigh) | (starts_.size() + 1);
        starts_.push_back(static_cast<std::uint32_t>(words_.size()));
        words_ += bytes;
    }
    pending_.clear();
    pendingText_.clear();
}

std::string_view WordFormsBuilder::candidate(std::size_t index) const {
    const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : words_.size();
    return std::string_view(words_).substr(starts_[index], end - starts_[index]);
}

std::size_t WordFormsBuilder::slotOf(std::string_view bytes, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    // Another word's slot is told apart by the hash's high half, without reading the word.
    while (slots_[at] != 0 && ((slots_[at] >> 32) != (hash >> 32) ||
                               candidate(static_cast<std::uint32_t>(slots_[at]) - 1) != bytes))
        at = (at + 1) & mask;
    return at;
}

void WordFormsBuilder::grow(std::size_t words) {
    std::size_t size = std::max<std::size_t>(1024, slots_.size() * 2);
    while (size < 2 * (words + 1))
        size *= 2;
    slots_.assign(size, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = 0; i < starts_.size(); ++i) {
        const std::uint64_t hash = hashOf(candidate(i));
        std::size_t at = hash & mask;
        while (slots_[at] != 0)
            at = (at + 1) & mask;
        slots_[at] = (hash & kHigh) | (i + 1);
    }
}

bool WordFormsBuilder::isTerm(std::string_view folded) const {
    return isTerm(hashOf(folded));
}

bool WordFormsBuilder::isTerm(std::uint64_t hash) const {
    const std::size_t bucket = hash >> (64 - kBucketBits);
    return std::binary_search(terms_.begin() + termBuckets_[bucket],
                              terms_.begin() + termBuckets_[bucket + 1], hash);
}

void WordFormsBuilder::select() {
    if (selected_)
        return;
    selected_ = true;
    std::sort(terms_.begin(), terms_.end());
    termBuckets_.assign((std::size_t{1} << kBucketBits) + 1, 0);
    for (const std::uint64_t hash : terms_)
        ++termBuckets_[(hash >> (64 - kBucketBits)) + 1];
    for (std::size_t bucket = 1; bucket < termBuckets_.size(); ++bucket)
        termBuckets_[bucket] += termBuckets_[bucket - 1];
    // The words that are no term: the only ones whose bases are worth looking for. A word
    // written both in lower case and capitalised (at the start of a sentence) is asked about
    // capitalised alone: a spelling dictionary reads that as either.
    std::string kept, folded, upper;
    std::vector<std::uint32_t> starts;
    // Both lookups of a candidate miss the cache: a batch's are asked for ahead, side by side.
    constexpr std::size_t kBatch = 256;
    std::uint64_t termHashes[kBatch], upperHashes[kBatch];
    bool lower[kBatch];
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t first = 0; first < starts_.size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, starts_.size() - first);
        for (std::size_t k = 0; k < count; ++k) {
            const std::string_view word = candidate(first + k);
            // Most candidates are ASCII, whose folding is lower case alone: no copy to UTF-16.
            if (std::all_of(word.begin(), word.end(), [](char c) { return (c & 0x80) == 0; })) {
                folded.assign(word);
                for (char& c : folded)
                    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            } else {
                folded = foldWord(jet::fromUtf8(std::string(word)));
            }
            termHashes[k] = hashOf(folded);
            prefetch(&termBuckets_[termHashes[k] >> (64 - kBucketBits)]);
            lower[k] = word[0] >= 'a' && word[0] <= 'z';
            if (lower[k]) {
                upper.assign(word);
                upper[0] = static_cast<char>(upper[0] - 'a' + 'A');
                upperHashes[k] = hashOf(upper);
                prefetch(&slots_[upperHashes[k] & mask]);
            }
        }
        for (std::size_t k = 0; k < count; ++k)
            prefetch(&terms_[termBuckets_[termHashes[k] >> (64 - kBucketBits)]]);
        for (std::size_t k = 0; k < count; ++k) {
            const std::string_view word = candidate(first + k);
            if (isTerm(termHashes[k]))
                continue;
            if (lower[k]) {
                upper.assign(word);
                upper[0] = static_cast<char>(upper[0] - 'a' + 'A');
                if (slots_[slotOf(upper, upperHashes[k])] != 0)
                    continue;
            }
            starts.push_back(static_cast<std::uint32_t>(kept.size()));
            kept += word;
        }
    }
    std::vector<std::uint64_t>().swap(slots_);
    kept.shrink_to_fit();
    starts.shrink_to_fit();
    words_ = std::move(kept);
    starts_ = std::move(starts);
}

std::vector<WordForm> WordFormsBuilder::resolve(const std::vector<Stems>& languages,
                                                std::size_t* asked) {
    select();
    std::vector<std::uint32_t> forms(starts_.size());
    for (std::size_t i = 0; i < forms.size(); ++i)
        forms[i] = static_cast<std::uint32_t>(i);
    if (asked != nullptr)
        *asked = forms.size();
    // What each language says of each word it knows: a base that is a term, or none (empty).
    struct Said {
        std::uint32_t word;
        std::u16string base;
    };
    std::vector<std::vector<Said>> found(std::min<std::size_t>(languages.size(), 0xFFFF));
    // The first language that knows a word decides: an English word is not taken apart by
    // the French dictionary's prefixes ("programs" is no form of "gram"). So a language asks
    // only about the words no language before it knows; the languages still work side by
    // side, each a block of words behind the one before it.
    constexpr std::uint16_t kNobody = 0xFFFF;
    constexpr std::size_t kBlock = 2048;
    std::vector<std::uint16_t> knownBy(forms.size(), kNobody);
    const std::size_t blocks = (forms.size() + kBlock - 1) / kBlock;
    std::vector<std::size_t> done(found.size(), 0); // blocks each language has decided
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    const auto finish = [&](std::size_t language, std::size_t count) {
        {
            const std::lock_guard<std::mutex> lock(doneMutex);
            done[language] = count;
        }
        doneChanged.notify_all();
    };
    const auto askOne = [&](std::size_t language) {
        for (std::size_t block = 0; block < blocks; ++block) {
            if (language > 0) {
                std::unique_lock<std::mutex> lock(doneMutex);
                doneChanged.wait(lock, [&] { return done[language - 1] > block; });
            }
            const std::size_t end = std::min(forms.size(), (block + 1) * kBlock);
            for (std::size_t index = block * kBlock; index < end; ++index) {
                if (knownBy[index] != kNobody)
                    continue;
                const std::string word(candidate(index));
                const std::vector<std::string> stems = languages[language](word);
                if (stems.empty())
                    continue;
                knownBy[index] = static_cast<std::uint16_t>(language);
                const std::string folded = foldWord(jet::fromUtf8(word));
                found[language].push_back({static_cast<std::uint32_t>(index), {}});
                // Of two spellings of one base ("haus", "Haus") the one capitalised as the
                // word is comes first, and is the one kept.
                std::size_t sameEnd = found[language].size();
                const bool capital = capitalised(word);
                for (const std::string& stem : stems) {
                    std::u16string base = jet::fromUtf8(stem);
                    const std::string baseFolded = foldWord(base);
                    if (baseFolded == folded || !isTerm(baseFolded))
                        continue;
                    const bool same = capitalised(stem) == capital;
                    std::vector<Said>& said = found[language];
                    said.push_back({static_cast<std::uint32_t>(index), std::move(base)});
                    if (same)
                        std::rotate(said.begin() + static_cast<std::ptrdiff_t>(sameEnd++),
                                    said.end() - 1, said.end());
                }
            }
            finish(language, block + 1);
        }
    };
    std::vector<std::exception_ptr> failures(found.size());
    const auto ask = [&](std::size_t language) noexcept {
        try {
            askOne(language);
        } catch (...) {
            failures[language] = std::current_exception();
            finish(language, blocks); // the languages after it go on without waiting
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t language = 1; language < found.size(); ++language)
        threads.emplace_back(ask, language);
    if (!found.empty())
        ask(0);
    for (std::thread& thread : threads)
        thread.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }

    std::vector<WordForm> all;
    for (std::size_t language = 0; language < found.size(); ++language) {
        for (Said& said : found[language]) {
            if (!said.base.empty())
                all.push_back({foldWord(jet::fromUtf8(std::string(candidate(said.word)))),
                               std::move(said.base)});
        }
        std::vector<Said>().swap(found[language]);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const WordForm& a, const WordForm& b) { return a.form < b.form; });
    // One row a form and base: "Dogs" and "dogs", or two languages, name the same base.
    std::vector<WordForm> unique;
    for (WordForm& form : all) {
        const std::string base = foldWord(form.base);
        bool seen = false;
        for (auto kept = unique.rbegin(); kept != unique.rend() && kept->form == form.form; ++kept)
            seen = seen || foldWord(kept->base) == base;
        if (!seen)
            unique.push_back(std::move(form));
    }
    *this = WordFormsBuilder(std::move(mayBeWord_));
    return unique;
}

} // namespace search
