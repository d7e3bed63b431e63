#include "PageCommand.h"

#include "Glossary.h"
#include "jet/JetError.h"
#include "jet/TextCodec.h"
#include "page/HtmlToRtf.h"
#include "page/PageText.h"
#include "search/FullTextIndex.h"
#include "search/SourceChoice.h"
#include "search/SourceView.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

// The text a rich edit control holds for RTF that htmlToRtf wrote: a paragraph's end as CR, a
// line break as a vertical tab, \uN? as its UTF-16 unit; the font and colour tables hold none.
std::u16string controlText(const std::string& rtf) {
    std::u16string text;
    int depth = 0, tableDepth = -1;
    for (std::size_t i = 0; i < rtf.size();) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            if (tableDepth < 0 &&
                (rtf.compare(i, 9, "{\\fonttbl") == 0 || rtf.compare(i, 10, "{\\colortbl") == 0))
                tableDepth = depth;
            ++i;
            continue;
        }
        if (c == '}') {
            if (depth == tableDepth)
                tableDepth = -1;
            --depth;
            ++i;
            continue;
        }
        if (c != '\\') {
            if (tableDepth < 0 && c != '\r' && c != '\n')
                text += static_cast<char16_t>(static_cast<unsigned char>(c));
            ++i;
            continue;
        }
        if (i + 1 < rtf.size() && !std::isalpha(static_cast<unsigned char>(rtf[i + 1]))) {
            if (tableDepth < 0)
                text += static_cast<char16_t>(rtf[i + 1]); // an escaped \, { or }
            i += 2;
            continue;
        }
        std::size_t end = i + 1;
        while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end])))
            ++end;
        const std::string word = rtf.substr(i + 1, end - i - 1);
        std::size_t numberEnd = end;
        while (numberEnd < rtf.size() &&
               (rtf[numberEnd] == '-' || std::isdigit(static_cast<unsigned char>(rtf[numberEnd]))))
            ++numberEnd;
        const long number = std::strtol(rtf.substr(end, numberEnd - end).c_str(), nullptr, 10);
        i = numberEnd < rtf.size() && rtf[numberEnd] == ' ' ? numberEnd + 1 : numberEnd;
        if (tableDepth >= 0)
            continue;
        if (word == "par")
            text += u'\r';
        else if (word == "line")
            text += u'\v';
        else if (word == "tab")
            text += u'\t';
        else if (word == "u") {
            text += static_cast<char16_t>(static_cast<std::uint16_t>(number));
            if (i < rtf.size() && rtf[i] == '?')
                ++i; // the stand-in for readers without Unicode
        }
    }
    return text;
}

// The rows and pages of one dictionary, as the window reads them with only it on.
bool viewOfOne(const std::string& path, const std::u16string& dictionary, Glossary::RowView& rows) {
    const jet::Database database = jet::Database::open(path);
    search::SourceChoice choice = search::applyRemembered(search::readSources(database), {});
    bool found = false;
    for (search::SourceSetting& source : choice) {
        source.on = source.name == dictionary;
        found = found || source.on;
    }
    if (!found)
        return false;
    const std::shared_ptr<const search::SourceView> view =
        search::SourceView::open(database, choice);
    if (!view)
        return true; // the file holds that dictionary alone
    rows.listed = [view](std::uint32_t row) { return view->listed(row); };
    rows.shown = [view](std::uint32_t row, const std::u16string& definition) {
        return view->shown(row, definition);
    };
    rows.sourceOrder = view->order();
    return true;
}

} // namespace

int pageCommand(const std::string& path, const std::u16string& dictionary,
                const std::vector<std::u16string>& terms) {
    Glossary::RowView rows;
    try {
        if (!dictionary.empty() && !viewOfOne(path, dictionary, rows)) {
            std::fprintf(stderr, "mdbview: %s holds no dictionary %s\n", path.c_str(),
                         jet::toUtf8(dictionary).c_str());
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mdbview: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
    std::string failure;
    const Glossary glossary = Glossary::load(path, {}, &failure, nullptr, rows);
    if (!failure.empty()) {
        std::fprintf(stderr, "mdbview: %s: %s\n", path.c_str(), failure.c_str());
        return 1;
    }
    int status = 0;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        if (i > 0)
            std::cout << "\f\n";
        const Glossary::Match match = glossary.match(terms[i]);
        const auto definition =
            match.found == Glossary::Found::Equal
                ? glossary.definitionShownFor(static_cast<std::size_t>(match.index))
                : std::nullopt;
        if (!definition) {
            std::cout.flush();
            std::fprintf(stderr, "mdbview: no page for %s\n", jet::toUtf8(terms[i]).c_str());
            status = 1;
            continue;
        }
        const std::u16string html = Glossary::page(
            std::u16string(glossary.term(static_cast<std::size_t>(match.index))), *definition);
        const RtfPage page = htmlToPage(html);
        const std::u16string text = controlText(page.rtf);
        std::cout << jet::toUtf8(copiedText(text, page.lineBreaks, page.rules, 0,
                                            static_cast<long>(text.size())))
                  << '\n';
    }
    return status;
}
