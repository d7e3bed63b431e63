#pragma once

#include "PlainToHtml.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The text within a page's lines: escaped, its cross-references in braces and its addresses as
// links.
namespace inlinetext {

// Longer contents of braces are no cross-reference.
inline constexpr std::size_t kLongestReference = 200;

// Text safe inside HTML text and inside a double-quoted attribute, appended to `out`.
void appendEscaped(std::u16string& out, std::u16string_view text);

// Runs of white space as one space, none at either end, in `out` (whose buffer is reused).
void collapse(std::u16string_view text, std::u16string& out);
std::u16string collapsed(std::u16string_view text);

// {label (address)} or {(address)}: the address and the label, or nothing.
bool addressReference(const std::u16string& content, std::u16string& address,
                      std::u16string& label);

// Braces around what reads as code (in a program's text, say) are no cross-reference.
bool mayBeReference(std::u16string_view content);

// Text of one dictionary's pages: `content` is the buffer a reference's collapsed text is made
// in, kept by the caller from one text to the next.
class Inline {
public:
    Inline(const std::function<bool(const std::u16string&)>& isTerm, Braces braces,
           std::u16string& content)
        : isTerm_(isTerm), braces_(braces), content_(content) {}

    // Appends escaped text with its cross-references and addresses as links to `out`. In
    // preformatted text (a program, often) braces that make no link stay.
    void append(std::u16string& out, std::u16string_view text, bool preformatted = false) const;

private:
    // {term}, {label (address)} or {(address)}, appended to `out`: whether it made a link.
    bool appendReference(std::u16string& out, const std::u16string& content) const;

    const std::function<bool(const std::u16string&)>& isTerm_;
    Braces braces_;
    std::u16string& content_; // a reference's collapsed text
};

} // namespace inlinetext
