#include "SourceView.h"

#include "Articles.h"

#include <algorithm>

namespace search {

namespace {

constexpr std::uint32_t kOff = UINT32_MAX;
constexpr std::u16string_view kMarkOpen = u"<!--from ", kMarkClose = u"-->",
                              kMention = u", mention";

bool startsWith(std::u16string_view text, std::u16string_view start) {
    return text.substr(0, start.size()) == start;
}

bool endsWith(std::u16string_view text, std::u16string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

SourceView::Refusal SourceView::refusal(const jet::Database& database) {
    const std::vector<Source> sources = readSources(database);
    if (sources.empty())
        return Refusal::NoSources;
    if (sources.size() > 1 && !hasTable(database, kEntriesTable))
        return Refusal::NoEntries;
    return Refusal::None;
}

std::unique_ptr<SourceView> SourceView::open(const jet::Database& database,
                                             const SourceChoice& choice) {
    if (refusal(database) != Refusal::None)
        return nullptr;
    const bool asWritten = changesNothing(choice);
    if (asWritten && readSources(database).size() < 2)
        return nullptr;
    std::unique_ptr<SourceView> view(new SourceView);
    view->choice_ = choice;
    for (std::size_t i = 0; i < choice.size(); ++i) {
        const std::uint32_t number = choice[i].number;
        if (view->rank_.size() <= number)
            view->rank_.resize(number + 1, kOff);
        if (choice[i].on)
            view->rank_[number] = static_cast<std::uint32_t>(i);
    }
    if (readSources(database).size() == 1) {
        view->oneSource_ = true;
        return view;
    }
    // Every row is listed as written: a page needs only its own row's sources.
    if (asWritten) {
        view->entries_ = EntryBlocks::open(database);
        return view;
    }
    std::vector<Entry> entries;
    for (jet::Recordset rows = database.openTable(kEntriesTable, {1}); !rows.eof();
         rows.moveNext()) {
        const jet::Value& block = rows.value(1);
        if (block.kind != jet::Value::Kind::Binary)
            throw IndexError();
        entries.clear();
        readEntries(block.bytes, entries);
        for (const Entry& entry : entries) {
            // Entries stand in the order of the rows.
            if (!view->firstPiece_.empty() && entry.row + 1 < view->firstPiece_.size())
                throw IndexError();
            while (view->firstPiece_.size() <= entry.row)
                view->firstPiece_.push_back(static_cast<std::uint32_t>(view->pieces_.size()));
            view->pieces_.push_back({entry.start, entry.source});
        }
    }
    view->firstPiece_.push_back(static_cast<std::uint32_t>(view->pieces_.size()));
    return view;
}

std::pair<const SourceView::Piece*, const SourceView::Piece*>
SourceView::piecesOf(std::uint32_t row, std::vector<Piece>& read) const {
    if (entries_) {
        try {
            for (const Entry& entry : entries_->ofRow(row))
                read.push_back({entry.start, entry.source});
        } catch (const std::exception&) {
            read.clear(); // a damaged index: the row as written
        }
        return {read.data(), read.data() + read.size()};
    }
    if (static_cast<std::size_t>(row) + 1 >= firstPiece_.size())
        return {nullptr, nullptr};
    return {pieces_.data() + firstPiece_[row], pieces_.data() + firstPiece_[row + 1]};
}

std::uint32_t SourceView::rankOfRow(std::uint32_t row) const {
    if (oneSource_)
        return rank_.empty() ? kOff : rank_[0];
    std::vector<Piece> read;
    const auto [begin, end] = piecesOf(row, read);
    if (begin == end)
        return 0; // a row the index does not know: kept, as written
    std::uint32_t best = kOff;
    for (const Piece* piece = begin; piece != end; ++piece) {
        if (piece->source < rank_.size())
            best = std::min(best, rank_[piece->source]);
    }
    return best;
}

bool SourceView::listed(std::uint32_t row) const {
    return entries_ || rankOfRow(row) != kOff;
}

std::optional<std::u16string> SourceView::shown(std::uint32_t row,
                                                const std::u16string& definition) const {
    std::vector<Piece> read;
    const auto [begin, end] = piecesOf(row, read);
    if (oneSource_ || begin == end)
        return listed(row) ? std::optional<std::u16string>(definition) : std::nullopt;
    std::vector<std::pair<std::uint32_t, articles::Part>> parts;
    for (const Piece* piece = begin; piece != end; ++piece) {
        const std::size_t from = std::min<std::size_t>(piece->start, definition.size());
        const std::size_t to = piece + 1 != end
                                   ? std::min<std::size_t>((piece + 1)->start, definition.size())
                                   : definition.size();
        std::u16string_view text =
            std::u16string_view(definition).substr(from, to - std::min(from, to));
        articles::Part part;
        // A row of one dictionary's entries and of those that only mention the term has
        // their parts in that order; its mark says so where it has one.
        part.mention = piece != begin && (piece - 1)->source == piece->source;
        if (startsWith(text, kMarkOpen)) {
            const std::size_t close = text.find(kMarkClose);
            if (close != std::u16string_view::npos) {
                part.mention = endsWith(text.substr(0, close), kMention);
                text.remove_prefix(close + kMarkClose.size());
            }
        }
        const std::uint32_t rank = piece->source < rank_.size() ? rank_[piece->source] : kOff;
        if (rank == kOff)
            continue;
        part.source = choice_[rank].name;
        const std::u16string heading = articles::heading(part.source);
        if (startsWith(text, heading))
            text.remove_prefix(heading.size());
        // What separates it from the next part goes with the page laid out anew.
        if (piece + 1 != end) {
            for (const std::u16string_view separator :
                 {articles::kEntrySeparator, std::u16string_view(u"<br>")}) {
                if (endsWith(text, separator)) {
                    text.remove_suffix(separator.size());
                    break;
                }
            }
        }
        part.html = std::u16string(text);
        parts.emplace_back(rank, std::move(part));
    }
    if (parts.empty())
        return std::nullopt;
    std::stable_sort(parts.begin(), parts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<articles::Part> ordered;
    for (auto& part : parts)
        ordered.push_back(std::move(part.second));
    return articles::write(ordered, true);
}

std::vector<std::u16string> SourceView::order() const {
    return namesOn(choice_);
}

void SourceView::filter(std::vector<Hit>& hits) const {
    const auto rankOf = [this](const Hit& hit) {
        if (hit.source == kUnknownSource)
            return rankOfRow(hit.row);
        if (oneSource_)
            return rankOfRow(0);
        return hit.source < rank_.size() ? rank_[hit.source] : kOff;
    };
    hits.erase(std::remove_if(hits.begin(), hits.end(),
                              [&](const Hit& hit) { return rankOf(hit) == kOff; }),
               hits.end());
    std::stable_sort(hits.begin(), hits.end(), [&](const Hit& a, const Hit& b) {
        if (a.place != b.place)
            return a.place < b.place;
        return rankOf(a) < rankOf(b);
    });
}

} // namespace search
