#include "TermList.h"

#include <limits>
#include <new>

void TermList::add(std::u16string_view term) {
    // Offsets are 32 bits: a list that would pass them is as full as memory allows.
    if (text_.size() + term.size() + 1 > std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    starts_.push_back(static_cast<std::uint32_t>(text_.size()));
    try {
        text_.append(term);
        text_.push_back(u'\0');
    } catch (...) {
        text_.resize(starts_.back());
        starts_.pop_back();
        throw;
    }
}

void TermList::truncate(std::size_t count) {
    if (count >= starts_.size())
        return;
    text_.resize(starts_[count]);
    starts_.resize(count);
}

TermList TermList::withText(std::u16string text) const {
    TermList list;
    list.text_ = std::move(text);
    list.starts_ = starts_;
    return list;
}
