#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Many short texts in one buffer: a million terms cost their characters and four bytes each,
// not an allocation each.
class TermList {
public:
    // May throw std::bad_alloc; the list is then as it was.
    void add(std::u16string_view term);
    void truncate(std::size_t count);
    // Room for `count` terms of `characters` in all, so that a growing list is not moved.
    void reserve(std::size_t count, std::size_t characters = 0) {
        starts_.reserve(count);
        if (characters > text_.capacity())
            text_.reserve(characters);
    }

    std::size_t size() const { return starts_.size(); }
    bool empty() const { return starts_.empty(); }
    std::u16string_view operator[](std::size_t index) const {
        const std::size_t start = starts_[index];
        const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
        return std::u16string_view(text_).substr(start, end - start - 1);
    }

    // Every term, each followed by a NUL, in order.
    const std::u16string& text() const { return text_; }
    // The same terms with another text of the same layout, such as this one in upper case.
    TermList withText(std::u16string text) const;
    // Terms each followed by a NUL in `text`, at most `most` of them; more NULs end the last.
    static TermList fromText(std::u16string text, std::size_t most);

private:
    std::u16string text_;
    std::vector<std::uint32_t> starts_;
};
