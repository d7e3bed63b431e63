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

TermList TermList::fromText(std::u16string text, std::size_t most) {
    TermList list;
    list.starts_.reserve(most);
    for (std::size_t start = 0; start < text.size() && list.starts_.size() < most;) {
        list.starts_.push_back(static_cast<std::uint32_t>(start));
        const std::size_t end = text.find(u'\0', start);
        if (end == std::u16string::npos) {
            text.push_back(u'\0'); // a text that does not end with one
            break;
        }
        start = end + 1;
    }
    if (!list.starts_.empty()) {
        // Past the last term's NUL nothing belongs to the list.
        const std::size_t last = text.find(u'\0', list.starts_.back());
        text.resize(last + 1);
    } else {
        text.clear();
    }
    list.text_ = std::move(text);
    return list;
}
