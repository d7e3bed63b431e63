#include "HtmlToRtf.h"

#include "HtmlTokens.h"
#include "RtfWriter.h"

#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

// The page's structure: which elements are open, the lists and their counters, preformatted
// and hidden text, and the links. The tokenizer reads the mark-up; the writer writes the RTF.

namespace {

struct Element {
    std::string name;
    RtfStyle before; // the style to return to when the element closes
    char alignmentBefore;
    int link = -1; // an A element's entry in the page's links
};

struct List {
    bool ordered;
    int counter;
};

constexpr int kSizes[] = {16, 20, 24, 28, 36, 48, 72}; // HTML font sizes 1-7 in half-points
constexpr int kHeadingSizes[] = {48, 36, 28, 24, 20, 16};
constexpr std::uint32_t kLinkColor = 0x0000FF;
constexpr std::uint32_t kRuleColor = 0x999999; // a theme's own colours take the text's
// Nesting beyond this adds nothing a reader could see, and keeps every page linear in its
// length however it is written.
constexpr std::size_t kDeepestNesting = 256;

// Blue enough to pass for a link: text that is none is never drawn so (the Littré sets its
// quotations in medium blue).
bool readsAsLink(std::uint32_t rgb) {
    const std::uint32_t red = rgb >> 16, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    return blue >= 0x80 && red * 2 <= blue && green * 2 <= blue;
}

class Converter {
public:
    Converter(HtmlText html, const PageColours& colours) : tokens_(html), colours_(colours) {}

    RtfPage run() {
        for (HtmlTokenizer::Token token = tokens_.next(); token.kind != HtmlTokenizer::Token::End;
             token = tokens_.next()) {
            switch (token.kind) {
            case HtmlTokenizer::Token::Character:
                if (hidden_ == 0)
                    writer_.character(token.character, pre_ > 0);
                break;
            case HtmlTokenizer::Token::OpenTag:
                open(token.name, token.attributes);
                break;
            case HtmlTokenizer::Token::CloseTag:
                close(token.name);
                break;
            case HtmlTokenizer::Token::End:
                break;
            }
        }
        RtfPage page;
        page.rtf = writer_.finish();
        page.lineBreaks = writer_.lineBreaks();
        page.bodyStart = writer_.bodyStart();
        page.paragraphEnds = writer_.paragraphEnds();
        page.lineEnds = writer_.lineEnds();
        page.rules = writer_.rules();
        for (PageLink& link : links_) {
            if (link.end < 0)
                link.end = writer_.position(); // never closed
            if (link.end > link.start && !link.target.empty())
                page.links.push_back(std::move(link));
        }
        return page;
    }

private:
    void setStyle(const RtfStyle& style) { writer_.setStyle(style, hidden_ == 0); }
    void paragraph() { writer_.paragraph(alignment_, indent()); }
    // Steps in from the margin: one for each list and each quotation the text stands in.
    std::size_t indent() const { return lists_.size() + quotes_; }

    char alignmentOf(HtmlText attributes) const {
        std::string align = trimQuotesAndSpaces(attributeText(attributes, "align"));
        const std::string style = attributeText(attributes, "style");
        const std::size_t property = style.find("text-align");
        if (property != std::string::npos) {
            const std::size_t colon = style.find(':', property);
            align = colon == std::string::npos
                        ? ""
                        : trimQuotesAndSpaces(
                              style.substr(colon + 1, style.find(';', colon) - colon - 1));
        }
        for (char& c : align)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (align == "center")
            return 'c';
        if (align == "right")
            return 'r';
        if (align == "justify")
            return 'j';
        if (align == "left")
            return 'l';
        return alignment_;
    }

    static bool isBlock(const std::string& name) {
        static const char* const kBlocks[] = {"p",  "div",        "ul", "ol", "li", "pre", "table",
                                              "tr", "blockquote", "h1", "h2", "h3", "h4",  "h5",
                                              "h6", "dl",         "dt", "dd", "hr"};
        for (const char* block : kBlocks) {
            if (name == block)
                return true;
        }
        return false;
    }

    static bool isVoid(const std::string& name) {
        return name == "br" || name == "hr" || name == "img" || name == "meta" || name == "link" ||
               name == "input" || name == "col" || name == "area" || name == "base" ||
               name == "wbr";
    }

    void open(const std::string& name, HtmlText attributes) {
        if (name == "br") {
            writer_.lineBreak();
            return;
        }
        if (isVoid(name)) {
            if (name == "hr") {
                writer_.rule(alignment_, indent(),
                             colours_.system ? 0 : writer_.colorIndex(kRuleColor));
                paragraph();
            }
            return;
        }
        // Deeper nesting is taken as plain text of the elements it is in.
        if (stack_.size() >= kDeepestNesting)
            return;
        Element element{name, writer_.style(), alignment_};
        RtfStyle style = writer_.style();
        if (name == "b" || name == "strong" || name == "th")
            style.bold = true;
        else if (name == "i" || name == "em" || name == "cite" || name == "var")
            style.italic = true;
        else if (name == "u" || name == "ins")
            style.underline = true;
        else if (name == "sub")
            style.vertical = -1;
        else if (name == "sup")
            style.vertical = 1;
        else if (name == "code" || name == "tt" || name == "kbd" || name == "samp")
            style.monospace = true;
        else if (name == "a") {
            style.underline = true;
            style.color = writer_.colorIndex(colours_.system ? colours_.link : kLinkColor);
            element.link = static_cast<int>(links_.size());
            links_.push_back(PageLink{0, -1, decodedAttribute(attributes, "href")});
        } else if (name == "font") {
            std::uint32_t rgb = 0;
            if (parseHtmlColor(attributeText(attributes, "color"), rgb) && readsAsLink(rgb))
                style.italic = true; // set apart as the author meant, yet no link's look
            else if (!colours_.system && parseHtmlColor(attributeText(attributes, "color"), rgb))
                style.color = writer_.colorIndex(rgb);
            style.font = writer_.fontIndex(attributeText(attributes, "face"));
            const std::string size = trimQuotesAndSpaces(attributeText(attributes, "size"));
            if (!size.empty()) {
                int value = std::atoi(size.c_str());
                if (size[0] == '+' || size[0] == '-')
                    value += 3;
                value = value < 1 ? 1 : value > 7 ? 7 : value;
                style.halfPoints = kSizes[value - 1];
            }
        } else if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
            style.bold = true;
            style.halfPoints = kHeadingSizes[name[1] - '1'];
        } else if (name == "pre") {
            style.monospace = true;
            ++pre_;
        } else if (name == "script" || name == "style" || name == "title") {
            ++hidden_; // their contents are not page text
        }
        if (name == "ul" || name == "ol")
            lists_.push_back(List{name == "ol", 0});
        if (name == "blockquote")
            ++quotes_;
        if (isBlock(name)) {
            alignment_ = alignmentOf(attributes);
            paragraph();
        }
        if (name == "li")
            bullet();
        if ((name == "td" || name == "th") && cellsInRow_++ > 0)
            writer_.cellSeparator();
        if (name == "tr")
            cellsInRow_ = 0;
        stack_.push_back(element);
        ++openByName_[name];
        setStyle(style);
        if (element.link >= 0)
            links_[static_cast<std::size_t>(element.link)].start = writer_.position();
    }

    void bullet() {
        if (lists_.empty())
            return;
        List& list = lists_.back();
        writer_.listMarker(list.ordered ? std::to_string(++list.counter) + ". " : std::string());
    }

    // Closes the named element and everything opened inside it; a closing tag with no open
    // element of its name is ignored.
    void close(const std::string& name) {
        const auto open = openByName_.find(name);
        if (open == openByName_.end() || open->second == 0)
            return;
        std::size_t index = stack_.size();
        while (index > 0 && stack_[index - 1].name != name)
            --index;
        if (index == 0)
            return;
        while (stack_.size() >= index) {
            const Element element = stack_.back();
            stack_.pop_back();
            --openByName_[element.name];
            if (element.link >= 0)
                links_[static_cast<std::size_t>(element.link)].end = writer_.position();
            if (element.name == "pre" && pre_ > 0)
                --pre_;
            if ((element.name == "script" || element.name == "style" || element.name == "title") &&
                hidden_ > 0)
                --hidden_;
            if ((element.name == "ul" || element.name == "ol") && !lists_.empty())
                lists_.pop_back();
            if (element.name == "blockquote" && quotes_ > 0)
                --quotes_;
            setStyle(element.before);
            if (isBlock(element.name)) {
                alignment_ = element.alignmentBefore;
                paragraph();
            }
        }
    }

    HtmlTokenizer tokens_;
    PageColours colours_;
    RtfWriter writer_;
    char alignment_ = 'l';
    std::vector<Element> stack_;
    std::unordered_map<std::string, int> openByName_; // how many of stack_ have each name
    std::vector<List> lists_;
    std::vector<PageLink> links_;
    std::size_t quotes_ = 0; // open blockquotes
    int pre_ = 0, hidden_ = 0, cellsInRow_ = 0;
};

} // namespace

RtfPage htmlToPage(const std::u16string& html, const PageColours& colours) {
    return Converter(html, colours).run();
}

std::string htmlToRtf(const std::u16string& html) {
    return htmlToPage(html).rtf;
}
