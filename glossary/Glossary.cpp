#include "Glossary.h"

#include "Articles.h"
#include "TermScan.h"

#include "jet/Database.h"
#include "text/Folding.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

constexpr std::size_t kTermColumn = 1;
constexpr std::size_t kDefinitionColumn = 2;
// Below this many terms the index is built at once; it takes a few milliseconds.
constexpr std::size_t kBackgroundIndexFrom = 50000;
// What a table's own count of its rows may reserve at most, and the characters a term is
// given (with its NUL) before the list counts its own.
constexpr std::size_t kMostReserved = 16 * 1024 * 1024, kReservedPerTerm = 16;
// Characters folded between two looks at whether the index is still wanted: a millisecond.
constexpr std::size_t kFoldedAtOnce = 64 * 1024;
// How long the last copy of a glossary waits for its index's thread to stop.
constexpr int kStopWaitMs = 100;

// The terms in upper case: one call for all of them. Where the case mapping keeps lengths, as
// the system's does, the layout stays; else the terms are found again between their NULs
// (no mapping makes or takes a NUL).
TermList upperCaseOf(const TermList& terms, const Glossary::UpperCase& upper) {
    std::u16string all = upper(terms.text());
    if (all.size() == terms.text().size())
        return terms.withText(std::move(all));
    TermList list = TermList::fromText(std::move(all), terms.size());
    for (std::size_t i = list.size(); i < terms.size(); ++i)
        list.add(upper(std::u16string(terms[i]))); // a mapping that dropped a NUL after all
    return list;
}

// The terms without accents, when any term has one; else nothing. Folded a piece at a time,
// each ending after a term's NUL, so that a stop is seen between them.
std::shared_ptr<const TermList> lettersOf(const TermList& terms, const TermList& upper,
                                          const std::atomic<bool>* stop) {
    // No folding makes or takes a NUL, so the pieces fold as the whole would.
    const std::u16string& text = terms.text();
    std::u16string all;
    all.reserve(text.size());
    for (std::size_t from = 0; from < text.size();) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            throw SearchIndex::Stopped();
        std::size_t to = text.find(u'\0', std::min(text.size(), from + kFoldedAtOnce));
        to = to == std::u16string::npos ? text.size() : to + 1;
        all += text::foldAccents(std::u16string_view(text).substr(from, to - from));
        from = to;
    }
    if (all == upper.text())
        return nullptr;
    auto letters = std::make_shared<TermList>(TermList::fromText(std::move(all), terms.size()));
    for (std::size_t i = letters->size(); i < terms.size(); ++i)
        letters->add(text::foldAccents(terms[i]));
    return letters;
}

std::u16string unicodeFold(const std::u16string& text) {
    return text::foldCase(text);
}

std::u16string escaped(const std::u16string& text) {
    std::u16string out;
    for (const char16_t c : text) {
        if (c == u'<')
            out += u"&lt;";
        else if (c == u'>')
            out += u"&gt;";
        else if (c == u'&')
            out += u"&amp;";
        else
            out += c;
    }
    return out;
}

} // namespace

std::u16string simpleUpperCase(const std::u16string& text) {
    std::u16string upper = text;
    for (char16_t& c : upper) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
            (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
            c = static_cast<char16_t>(c - 32);
        else if (c >= 0x450 && c <= 0x45F)
            c = static_cast<char16_t>(c - 80);
        else if (c == 0xFF)
            c = 0x178;
    }
    return upper;
}

Glossary::Read Glossary::read(const std::string& path, std::string* failure, std::string* damage,
                              const RowView& view, std::size_t most) {
    TermList terms;
    auto positions = std::make_shared<std::vector<jet::Recordset::Position>>();
    auto tableRows = std::make_shared<std::vector<std::uint32_t>>(); // each entry's row
    std::shared_ptr<jet::Recordset> definitions;
    bool opened = false;
    try {
        const jet::Database database = [&] {
            try {
                return jet::Database::open(path);
            } catch (const JetError& error) {
                if (failure != nullptr)
                    *failure = error.what();
                throw;
            }
        }();
        opened = true;
        // Room for the terms as the table counts its rows (a hint: it may be stale), so that
        // a large list is not copied again and again as it grows.
        const std::size_t expected =
            std::min<std::size_t>({database.definition(u"Dict").rowCount, kMostReserved, most});
        try {
            terms.reserve(expected, expected * kReservedPerTerm);
            positions->reserve(expected);
            tableRows->reserve(expected);
        } catch (const std::bad_alloc&) {
            // The list grows as it is read, as far as memory allows.
        }
        definitions =
            std::make_shared<jet::Recordset>(database.openTable(u"Dict", {kDefinitionColumn}));
        // Only the terms are read now: damage anywhere else loses nothing.
        std::uint32_t row = 0;
        for (jet::Recordset rows = database.openTable(u"Dict", {kTermColumn});
             !rows.eof() && terms.size() < most; rows.moveNext(), ++row) {
            const jet::Value& term = rows.value(kTermColumn);
            if (term.isNull() || (view.listed && !view.listed(row)))
                continue; // nothing to list
            positions->push_back(rows.position());
            tableRows->push_back(row);
            terms.add(term.text);
        }
    } catch (const JetError& error) {
        // Reading stops at the first failure; what was read is kept, and the caller told.
        if (damage != nullptr && opened)
            *damage = error.what();
    } catch (const std::bad_alloc&) {
        // So does a file too large for the memory there is.
        if (damage != nullptr)
            *damage = "the terms do not fit in the memory there is";
    }
    positions->resize(terms.size());
    tableRows->resize(terms.size());
    Read read;
    read.terms = std::move(terms);
    read.tableRows = tableRows;
    read.definition =
        [definitions, positions, tableRows, shown = view.shown](
            std::size_t index,
            const std::function<void(std::string)>& lost) -> std::optional<std::u16string> {
        if (!definitions)
            return std::nullopt;
        try {
            definitions->moveTo((*positions)[index]);
            const jet::Value& definition = definitions->value(kDefinitionColumn);
            if (!definition.isNull() && shown)
                return shown((*tableRows)[index], definition.text);
            if (!definition.isNull())
                return definition.text;
        } catch (const JetError& error) {
            // A damaged definition is not shown; the other terms still are.
            if (lost)
                lost(error.what());
        } catch (const std::bad_alloc&) {
        }
        return std::nullopt;
    };
    return read;
}

Glossary Glossary::load(const std::string& path, UpperCase upper, std::string* failure,
                        std::string* damage, const RowView& view, std::size_t most) {
    Read read = Glossary::read(path, failure, damage, view, most);
    DefinitionReader definitionAt = [definition = std::move(read.definition)](
                                        std::size_t index, std::vector<std::u16string>& into) {
        if (auto text = definition(index, nullptr))
            into.push_back(std::move(*text));
    };
    Glossary glossary(std::move(read.terms), std::move(definitionAt),
                      upper ? upper : UpperCase(unicodeFold));
    glossary.sourceOrder_ = view.sourceOrder;
    glossary.tableRows_ = std::move(read.tableRows);
    return glossary;
}

int Glossary::entryOfRow(std::uint32_t row) const {
    if (set_)
        return entryOfPartRow(row >> kPartShift, row & ((1u << kPartShift) - 1));
    if (!tableRows_)
        return row < size() ? static_cast<int>(row) : -1;
    // Entries keep the table's order, so the rows ascend.
    const auto at = std::lower_bound(tableRows_->begin(), tableRows_->end(), row);
    return at != tableRows_->end() && *at == row ? static_cast<int>(at - tableRows_->begin()) : -1;
}

Glossary::Glossary(std::vector<std::u16string> terms,
                   std::vector<std::optional<std::u16string>> definitions, UpperCase upper)
    : Glossary(
          [&terms] {
              TermList list;
              for (const std::u16string& term : terms)
                  list.add(term);
              return list;
          }(),
          [all = std::move(definitions)](std::size_t index, std::vector<std::u16string>& into) {
              if (index < all.size() && all[index])
                  into.push_back(*all[index]);
          },
          upper ? upper : UpperCase(unicodeFold)) {}

// The threads that build the indexes of a large glossary. A thread left running when the
// program ends would read the folding tables after the static objects have gone: the last
// copy of the glossary asks them to stop, and they look at that between steps and inside them.
class Glossary::IndexThread {
public:
    using Build = std::function<void(const std::atomic<bool>& stop)>;
    // A thread each, so that the indexes are there at the same time; a build that finds no
    // thread to spare (but the first) is done here.
    explicit IndexThread(std::vector<Build> builds) : state_(std::make_shared<State>()) {
        state_->running = builds.size();
        for (std::size_t i = 0; i < builds.size(); ++i) {
            try {
                threads_.emplace_back([state = state_, build = builds[i]] {
                    build(state->stop);
                    state->endOne();
                });
            } catch (const std::system_error&) {
                if (i == 0)
                    throw;
                builds[i](state_->stop);
                state_->endOne();
            }
        }
    }
    IndexThread(const IndexThread&) = delete;
    IndexThread& operator=(const IndexThread&) = delete;
    ~IndexThread() {
        state_->stop = true;
        std::unique_lock<std::mutex> lock(state_->mutex);
        const bool ended = state_->changed.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                                    [this] { return state_->running == 0; });
        lock.unlock();
        // A step that stops later than promised (a machine under load) holds all it reads.
        for (std::thread& thread : threads_) {
            if (ended)
                thread.join();
            else
                thread.detach();
        }
    }
    void wait() const {
        std::unique_lock<std::mutex> lock(state_->mutex);
        state_->changed.wait(lock, [this] { return state_->running == 0; });
    }
    bool ended() const {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->running == 0;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t running = 0; // builds not yet ended; under mutex
        std::atomic<bool> stop{false};
        void endOne() {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                --running;
            }
            changed.notify_all();
        }
    };
    std::shared_ptr<State> state_;
    std::vector<std::thread> threads_;
};

namespace {

template <typename Made, typename Build>
void keep(std::promise<std::shared_ptr<const Made>>& promise, const Build& build) {
    try {
        promise.set_value(build());
    } catch (...) {
        promise.set_exception(std::current_exception());
    }
}

} // namespace

Glossary::Glossary(TermList terms, DefinitionReader definitionAt, const UpperCase& upper,
                   std::shared_ptr<const TermList> folded)
    : terms_(std::make_shared<const TermList>(std::move(terms))),
      definitionAt_(std::move(definitionAt)), upperCase_(upper) {
    upper_ =
        folded ? std::move(folded) : std::make_shared<const TermList>(upperCaseOf(*terms_, upper));
    auto byCase = [folded = upper_](const std::atomic<bool>* stop) {
        return std::make_shared<const SearchIndex>(folded, stop);
    };
    auto byLetters = [terms = terms_, folded = upper_](
                         const std::atomic<bool>* stop) -> std::shared_ptr<const SearchIndex> {
        auto letters = lettersOf(*terms, *folded, stop);
        if (!letters)
            return nullptr;
        return std::make_shared<const SearchIndex>(std::move(letters), stop);
    };
    const auto buildNow = [&] {
        index_ = byCase(nullptr);
        letters_ = byLetters(nullptr);
        lettersBuilt_ = true;
    };
    if (terms_->size() < kBackgroundIndexFrom) {
        buildNow();
        return;
    }
    using Promise = std::promise<std::shared_ptr<const SearchIndex>>;
    const auto casePromise = std::make_shared<Promise>(),
               lettersPromise = std::make_shared<Promise>();
    const auto suggestionsPromise =
        std::make_shared<std::promise<std::shared_ptr<const Suggestions>>>();
    const auto typeAheadPromise =
        std::make_shared<std::promise<std::shared_ptr<const TypeAhead>>>();
    const std::shared_ptr<const TermList> inCase = upper_;
    pending_ = casePromise->get_future().share();
    pendingSuggestions_ = suggestionsPromise->get_future().share();
    pendingTypeAhead_ = typeAheadPromise->get_future().share();
    pendingLetters_ = lettersPromise->get_future().share();
    try {
        builder_ = std::make_shared<const IndexThread>(std::vector<IndexThread::Build>{
            [=](const std::atomic<bool>& stop) {
                keep(*casePromise, [&] { return byCase(&stop); });
                // Made here too, so that the first search in vain and the first letter typed in
                // the list do not make them on the window's thread (tens of milliseconds each).
                keep(*suggestionsPromise,
                     [&] { return std::make_shared<const Suggestions>(inCase, &stop); });
                keep(*typeAheadPromise,
                     [&] { return std::make_shared<const TypeAhead>(*inCase, &stop); });
            },
            [=](const std::atomic<bool>& stop) {
                keep(*lettersPromise, [&] { return byLetters(&stop); });
            }});
    } catch (const std::system_error&) {
        pending_ = pendingLetters_ = {};
        pendingSuggestions_ = {};
        pendingTypeAhead_ = {};
        builder_.reset();
        buildNow(); // no thread to spare: build them now
    }
}

namespace {

// Takes what a future has ready, once; what could not be built for want of memory stays
// unbuilt and the searches keep passing over the terms.
void takeIfReady(std::shared_future<std::shared_ptr<const SearchIndex>>& pending,
                 std::shared_ptr<const SearchIndex>& into, bool& taken) {
    if (!pending.valid() || pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    try {
        into = pending.get();
        taken = true;
    } catch (const std::bad_alloc&) {
    }
    pending = {};
}

} // namespace

// What the index's thread made, once it is there (which awaitIndex() waits for); nothing when
// it could not be made, and it is then made where it is needed.
template <typename Made>
void takeMade(std::shared_future<std::shared_ptr<const Made>>& pending,
              std::shared_ptr<const Made>& into) {
    if (into || !pending.valid() ||
        pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    try {
        into = pending.get();
    } catch (const std::bad_alloc&) {
    } catch (const SearchIndex::Stopped&) {
    }
    pending = {};
}

const SearchIndex* Glossary::index() const {
    bool taken = false;
    if (!index_)
        takeIfReady(pending_, index_, taken);
    return index_.get();
}

const SearchIndex* Glossary::lettersIndex(bool& built) const {
    if (!lettersBuilt_)
        takeIfReady(pendingLetters_, letters_, lettersBuilt_);
    built = lettersBuilt_ && index_ != nullptr;
    return letters_.get();
}

void Glossary::awaitIndex() const {
    if (builder_)
        builder_->wait();
    index();
    bool built = false;
    lettersIndex(built);
}

bool Glossary::indexReady() const {
    return !builder_ || builder_->ended();
}

namespace {

std::u16string withoutBlanks(const std::u16string& text) {
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0 || c == 0x3000;
    };
    std::size_t first = 0, last = text.size();
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

} // namespace

Glossary::Match Glossary::match(const std::u16string& typed) const {
    Match found;
    found.text = withoutBlanks(typed);
    const std::u16string& text = found.text;
    const auto answer = [&found](int index, Found how) {
        found.index = index;
        found.found = index >= 0 ? how : Found::Nothing;
        return found;
    };
    if (index() == nullptr)
        return scannedMatch(std::move(found));
    if (!text.empty()) {
        const int equal = find(text);
        if (equal >= 0)
            return answer(equal, Found::Equal);
        const int letters = equalIgnoringAccents(text);
        if (letters >= 0)
            return answer(letters, Found::EqualIgnoringAccents);
    }
    const std::u16string wanted = upperCase_(text);
    // What no term begins with, no term begins with once more is typed: until the index is
    // there, that spares a pass over every term at each keystroke.
    const bool hopeless =
        !noExactMatch_.empty() && wanted.compare(0, noExactMatch_.size(), noExactMatch_) == 0;
    if (!hopeless) {
        const int prefix = exactSearch(wanted);
        if (prefix >= 0)
            return answer(prefix, Found::Prefix);
        if (noExactMatch_.empty() || wanted.size() < noExactMatch_.size())
            noExactMatch_ = wanted;
    }
    return answer(searchIgnoringAccents(text), Found::PrefixIgnoringAccents);
}

Glossary::Match Glossary::scannedMatch(Match found) const {
    const std::u16string wanted = upperCase_(found.text);
    const bool hopeless =
        !noExactMatch_.empty() && wanted.compare(0, noExactMatch_.size(), noExactMatch_) == 0;
    TermScan scan =
        scanTerms(*terms_, *upper_, found.text, wanted, text::foldAccents(found.text), !hopeless);
    if (!hopeless && scan.equal < 0 && scan.equalLetters < 0 && scan.prefix < 0 &&
        (noExactMatch_.empty() || wanted.size() < noExactMatch_.size()))
        noExactMatch_ = wanted;
    const auto [index, kind] = scan.best();
    static constexpr Found kFound[] = {Found::Nothing, Found::Equal, Found::EqualIgnoringAccents,
                                       Found::Prefix, Found::PrefixIgnoringAccents};
    found.index = index;
    found.found = kFound[static_cast<std::size_t>(kind)];
    // The page of the entry found needs the entries equal to it but for case: kept, so that
    // it needs no second pass.
    if (!scan.sameCaseOf.empty())
        sameCase_ = std::make_shared<const std::pair<std::u16string, std::vector<std::uint32_t>>>(
            std::move(scan.sameCaseOf), std::move(scan.sameCase));
    return found;
}

int Glossary::equalIgnoringAccents(const std::u16string& text) const {
    const std::u16string wanted = text::foldAccents(text);
    bool built = false;
    const SearchIndex* letters = lettersIndex(built);
    if (built) {
        const std::vector<std::uint32_t> equal =
            letters != nullptr ? letters->equalTo(wanted) : index_->equalTo(wanted);
        return equal.empty() ? -1 : static_cast<int>(equal.front());
    }
    for (std::size_t i = 0; i < terms_->size(); ++i) {
        const std::u16string_view term = (*terms_)[i];
        // Folding never makes a text shorter than half its length: most terms are refused
        // without being folded.
        if (term.size() <= 2 * wanted.size() + 2 && text::beginsWithLetters(term, wanted) &&
            text::foldAccents(term) == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

int Glossary::exactSearch(const std::u16string& wanted) const {
    return index()->first(wanted); // before the index, scannedMatch() answers
}

int Glossary::searchIgnoringAccents(const std::u16string& text) const {
    const std::u16string wanted = text::foldAccents(text);
    bool built = false;
    const SearchIndex* letters = lettersIndex(built);
    if (built)
        return letters != nullptr ? letters->first(wanted) : index_->first(wanted);
    for (std::size_t i = 0; i < terms_->size(); ++i) {
        if (text::beginsWithLetters((*terms_)[i], wanted))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::uint32_t> Glossary::equalIgnoringCase(const std::u16string& upper) const {
    if (const SearchIndex* sorted = index())
        return sorted->equalTo(upper);
    if (sameCase_ && sameCase_->first == upper)
        return sameCase_->second;
    std::vector<std::uint32_t> equal;
    for (std::size_t i = 0; i < upper_->size(); ++i) {
        if ((*upper_)[i] == upper)
            equal.push_back(static_cast<std::uint32_t>(i));
    }
    return equal;
}

int Glossary::find(const std::u16string& term) const {
    const std::vector<std::uint32_t> equal = equalIgnoringCase(upperCase_(term));
    for (const std::uint32_t candidate : equal) {
        if ((*terms_)[candidate] == term)
            return static_cast<int>(candidate);
    }
    return equal.empty() ? -1 : static_cast<int>(equal.front());
}

int Glossary::nextWithInitial(char16_t letter, int caret) const {
    takeMade(pendingTypeAhead_, typeAhead_);
    if (!typeAhead_)
        typeAhead_ = std::make_shared<const TypeAhead>(*upper_);
    const std::u16string upper = upperCase_(std::u16string(1, letter));
    return upper.size() == 1 ? typeAhead_->next(upper[0], caret) : -1;
}

std::vector<std::size_t> Glossary::suggestions(const std::u16string& text) const {
    awaitIndex();
    const SearchIndex* sorted = index();
    if (sorted == nullptr)
        return {};
    takeMade(pendingSuggestions_, suggestions_);
    if (!suggestions_)
        suggestions_ = std::make_shared<const Suggestions>(upper_);
    return suggestions_->nearest(*sorted, upperCase_(text));
}

std::optional<std::u16string> Glossary::definitionShownFor(std::size_t index) const {
    if (index >= size())
        return std::nullopt;
    // The first record of each text equal but for case, the term's own first.
    const TermList& terms = *terms_;
    std::vector<std::size_t> firsts{index};
    for (const std::uint32_t other : equalIgnoringCase(std::u16string((*upper_)[index]))) {
        if (terms[other] == terms[index] && other < firsts.front())
            firsts.front() = other;
        const bool seen = std::any_of(firsts.begin(), firsts.end(), [&](std::size_t kept) {
            return terms[kept] == terms[other];
        });
        if (!seen)
            firsts.push_back(other);
    }
    std::vector<std::u16string> definitions;
    for (const std::size_t row : firsts)
        definitionAt_(row, definitions);
    if (definitions.empty())
        return std::nullopt;
    return articles::join(definitions, sourceOrder_);
}

std::u16string Glossary::page(const std::u16string& term, const std::u16string& definition) {
    return u"<B><font color=#336699 face= 'MS Sans Serif' Size=3>" + escaped(term) +
           u":</B></font><BR><BR><font face = 'MS Sans Serif' color = 'black' size = 2><p "
           u"class='MsoNormal' "
           u"style='text-align:justify'>" +
           definition + u"</font>";
}

std::u16string Glossary::accentNote(const Match& match) const {
    if (match.index < 0 ||
        (match.found != Found::EqualIgnoringAccents && match.found != Found::PrefixIgnoringAccents))
        return std::u16string();
    const std::u16string term(this->term(static_cast<std::size_t>(match.index)));
    return u"<font face='MS Sans Serif' size=2>No " +
           std::u16string(match.found == Found::PrefixIgnoringAccents ? u"term begins with "
                                                                      : u"") +
           u"&quot;" + escaped(match.text) + u"&quot;; showing &quot;" + escaped(term) +
           u"&quot;.</font><br><br>";
}

std::u16string Glossary::formNote(const std::u16string& typed,
                                  const std::vector<std::u16string>& bases) {
    if (bases.empty())
        return std::u16string();
    std::u16string note = u"<font face='MS Sans Serif' size=2><b>" + escaped(typed) +
                          u"</b>: a form of <b>" + escaped(bases[0]) + u"</b>";
    for (std::size_t i = 1; i < bases.size(); ++i)
        note += (i == 1 ? u"; also of " : u", ") +
                (u"<a href=\"#" + escaped(bases[i]) + u"\">" + escaped(bases[i]) + u"</a>");
    return note + u".</font><br><br>";
}
