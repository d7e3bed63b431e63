#include "DefinitionSearch.h"

void DefinitionSearch::prepare(const std::vector<search::SetSearch::Database>& databases,
                               const std::function<void()>& changed) {
    if (search_)
        return;
    search_ = std::make_unique<search::SetSearch>(databases, changed);
    // What the first searches would read, read while the user types the first word.
    search_->readAhead();
}

void DefinitionSearch::forget() {
    // The search reads the database it was started for.
    search_.reset();
    current_ = 0;
}

void DefinitionSearch::cancel() {
    if (search_)
        search_->cancel();
    current_ = 0;
}

void DefinitionSearch::start(const std::u16string& text) {
    words_ = text;
    current_ = search_ ? search_->start(text) : 0;
}

std::optional<search::BackgroundSearch::Progress> DefinitionSearch::take() {
    if (!search_)
        return std::nullopt;
    std::optional<search::BackgroundSearch::Progress> news = search_->take();
    if (!news || news->search != current_)
        return std::nullopt;
    return news;
}

bool DefinitionSearch::noteNoIndex(std::uint64_t search) {
    if (notedNoIndexFor_ == search)
        return false;
    notedNoIndexFor_ = search;
    return true;
}
