#include "PageSlices.h"

namespace {

constexpr std::size_t kParagraphEnd = 4; // "\par"

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
    const auto cut = [&](std::size_t to) {
        slices.push_back(header + rtf.substr(from, to - from) + "}");
        from = to;
    };
    for (const std::size_t end : page.paragraphEnds) {
        if (end >= bodyEnd)
            break;
        if (end + kParagraphEnd - from >= bytes)
            cut(end + kParagraphEnd);
    }
    if (from < bodyEnd || slices.empty())
        cut(bodyEnd);
    return slices;
}
