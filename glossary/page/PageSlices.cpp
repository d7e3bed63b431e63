#include "PageSlices.h"

namespace {

constexpr std::size_t kParagraphEnd = 4; // "\par"

// A place the page may be cut, and the codes the text after it needs to go on as it was.
struct Cut {
    std::size_t at;
    const std::string* resume;
};

// Paragraph ends and line ends in the order they stand.
std::vector<Cut> cuts(const RtfPage& page) {
    static const std::string nothing;
    std::vector<Cut> all;
    all.reserve(page.paragraphEnds.size() + page.lineEnds.size());
    auto line = page.lineEnds.begin();
    for (const std::size_t end : page.paragraphEnds) {
        for (; line != page.lineEnds.end() && line->at <= end; ++line)
            all.push_back({line->at, &line->paragraphCodes});
        all.push_back({end + kParagraphEnd, &nothing});
    }
    for (; line != page.lineEnds.end(); ++line)
        all.push_back({line->at, &line->paragraphCodes});
    return all;
}

} // namespace

std::vector<std::string> pageSlices(const RtfPage& page, std::size_t bytes) {
    const std::string& rtf = page.rtf;
    if (rtf.empty() || page.bodyStart == 0 || page.bodyStart >= rtf.size())
        return {rtf};
    std::size_t bodyEnd = rtf.size() - 1; // before the document's closing brace
    // Every character of the page stands in a group: none after the last paragraph's end
    // means that the last paragraph is empty.
    if (!page.paragraphEnds.empty() &&
        rtf.find('{', page.paragraphEnds.back()) == std::string::npos)
        bodyEnd = page.paragraphEnds.back();
    const std::string header = rtf.substr(0, page.bodyStart);
    std::vector<std::string> slices;
    std::size_t from = page.bodyStart;
    const std::string* resume = nullptr;
    const auto cut = [&](std::size_t to) {
        slices.push_back(header + (resume != nullptr ? *resume : std::string()) +
                         rtf.substr(from, to - from) + "}");
        from = to;
    };
    // A paragraph of many lines (a dictionary's numbered senses) is cut after one of them: a
    // slice is about as long as asked, and so is the time the control takes for it.
    for (const Cut& place : cuts(page)) {
        if (place.at >= bodyEnd)
            break;
        if (place.at - from >= bytes) {
            cut(place.at);
            resume = place.resume;
        }
    }
    if (from < bodyEnd || slices.empty())
        cut(bodyEnd);
    return slices;
}
