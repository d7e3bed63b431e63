#include "DictdText.h"

#include "page/HtmlTokens.h"

namespace {

constexpr std::u16string_view kTextIndent = u"  ";
constexpr std::u16string_view kQuoteIndent = u"    ";

void append(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

bool isWebAddress(const std::u16string& address) {
    return address.compare(0, 7, u"http://") == 0 || address.compare(0, 8, u"https://") == 0;
}

class Writer {
public:
    std::u16string text() && { return std::move(out_); }

    void startParagraph(std::u16string_view indent) {
        endLine();
        if (!out_.empty())
            out_ += u'\n'; // a blank line between paragraphs
        indent_ = indent;
    }
    // A block right after a paragraph follows it without a blank line: the import takes the
    // text's indent from where blocks after blank lines start, and that must stay the text's.
    void startBlock() {
        endLine();
        indent_ = kTextIndent;
        preformatted_ = true;
    }
    void endBlock() {
        endLine();
        preformatted_ = false;
    }
    void lineBreak() {
        endLine();
        lineOpen_ = true;
        out_ += indent_;
    }
    void endLine() {
        if (lineOpen_)
            out_ += u'\n';
        lineOpen_ = false;
    }

    void character(char32_t c) {
        if (linkOpen_) {
            append(label_, c);
            return;
        }
        if (preformatted_ && c == U'\n') {
            if (!lineOpen_)
                lineBreak(); // an empty line of the block
            endLine();
            return;
        }
        if (!lineOpen_) {
            if (!preformatted_ && (c == U' ' || c == U'\n'))
                return;
            lineBreak();
        }
        append(out_, c == U'\n' ? U' ' : c);
    }

    void openLink(std::u16string target) {
        target_ = std::move(target);
        label_.clear();
        linkOpen_ = true;
    }
    void closeLink() {
        if (!linkOpen_)
            return;
        linkOpen_ = false;
        std::u16string written;
        if (!target_.empty() && target_[0] == u'#')
            written = u"{" + label_ + u"}";
        else if (label_ == target_ && isWebAddress(target_))
            written = target_;
        else if (label_ == target_)
            written = u"{(" + target_ + u")}";
        else
            written = u"{" + label_ + u" (" + target_ + u")}";
        for (const char16_t c : written)
            character(c);
    }

private:
    std::u16string out_;
    std::u16string_view indent_ = kTextIndent;
    bool lineOpen_ = false;
    bool preformatted_ = false;
    bool linkOpen_ = false;
    std::u16string target_, label_;
};

} // namespace

std::u16string dictdText(std::u16string_view html) {
    Writer writer;
    HtmlTokenizer tokens(html);
    bool quoted = false;
    for (HtmlTokenizer::Token token = tokens.next(); token.kind != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        const std::string& name = token.name;
        if (token.kind == HtmlTokenizer::Token::Character) {
            writer.character(token.character);
        } else if (token.kind == HtmlTokenizer::Token::OpenTag) {
            if (name == "p" || name == "div" || name == "li")
                writer.startParagraph(quoted ? kQuoteIndent : kTextIndent);
            else if (name == "blockquote")
                quoted = true;
            else if (name == "br")
                writer.lineBreak();
            else if (name == "pre")
                writer.startBlock();
            else if (name == "a")
                writer.openLink(decodedAttribute(token.attributes, "href"));
        } else {
            if (name == "blockquote")
                quoted = false;
            else if (name == "pre")
                writer.endBlock();
            else if (name == "a")
                writer.closeLink();
            else if (name == "p" || name == "div" || name == "li")
                writer.endLine();
        }
    }
    writer.endLine();
    return std::move(writer).text();
}
