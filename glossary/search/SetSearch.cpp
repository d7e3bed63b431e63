#include "SetSearch.h"

namespace search {

SetSearch::SetSearch(const std::vector<Database>& databases, const std::function<void()>& changed) {
    for (const Database& database : databases)
        searches_.push_back(
            std::make_unique<BackgroundSearch>(database.open, database.rowCount, changed));
    ids_.assign(searches_.size(), 0);
    latest_.resize(searches_.size());
}

std::uint64_t SetSearch::start(const std::u16string& text) {
    ++search_;
    for (std::size_t i = 0; i < searches_.size(); ++i) {
        ids_[i] = searches_[i]->start(text);
        latest_[i].reset();
    }
    return search_;
}

void SetSearch::cancel() {
    for (const auto& search : searches_)
        search->cancel();
}

void SetSearch::readAhead() {
    for (const auto& search : searches_)
        search->readAhead();
}

std::optional<BackgroundSearch::Progress> SetSearch::take() {
    bool news = false;
    for (std::size_t i = 0; i < searches_.size(); ++i) {
        std::optional<BackgroundSearch::Progress> taken = searches_[i]->take();
        if (taken && taken->search == ids_[i]) {
            latest_[i] = std::move(taken);
            news = true;
        }
    }
    if (!news || search_ == 0)
        return std::nullopt;
    BackgroundSearch::Progress all;
    all.search = search_;
    all.finished = all.indexed = all.failed = true;
    for (std::size_t i = 0; i < latest_.size(); ++i) {
        if (!latest_[i]) {
            all.finished = all.failed = false; // not heard of yet
            continue;
        }
        const BackgroundSearch::Progress& one = *latest_[i];
        all.finished = all.finished && one.finished;
        all.indexed = all.indexed && one.indexed;
        all.failed = all.failed && one.failed;
        all.rowsRead += one.rowsRead;
        all.rowCount += one.rowCount;
        for (const std::uint32_t row : one.rows)
            all.rows.push_back(searches_.size() == 1 ? row
                                                     : tagged(static_cast<std::uint32_t>(i), row));
    }
    return all;
}

} // namespace search
