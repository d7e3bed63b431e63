#include "DictdExport.h"

#include "DictdWriter.h"
#include "ImportProgress.h"
#include "RowEntries.h"
#include "jet/Database.h"
#include "jet/TextCodec.h"
#include "search/EntryBlocks.h"
#include "search/FullTextIndex.h"
#include "search/SourceView.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

namespace {

std::string stemOf(const std::string& path) {
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The entries of the database (of `dictionary` only, when named), in the order of its rows.
struct Gathered {
    std::vector<dictd::WrittenEntry> entries;
    std::size_t headwords = 0;
};

Gathered gather(const jet::Database& database, const std::vector<search::Source>& sources,
                const std::u16string& dictionary) {
    // Which dictionary each part of a row is, where the row's marks do not say.
    const std::unique_ptr<search::EntryBlocks> blocks =
        sources.size() > 1 ? search::EntryBlocks::open(database) : nullptr;
    const std::u16string only = sources.size() == 1 ? sources[0].name : u"";
    Gathered gathered;
    std::uint32_t row = 0;
    for (jet::Recordset rows = database.openTable(u"Dict", {1, 2}); !rows.eof();
         rows.moveNext(), ++row) {
        const jet::Value& term = rows.value(1);
        if (term.isNull() || term.text.empty())
            continue;
        std::vector<rowentries::Entry> entries = rowentries::split(rows.value(2).text);
        if (blocks) {
            const std::vector<search::Entry> parts = blocks->ofRow(row);
            for (rowentries::Entry& entry : entries) {
                for (const search::Entry& part : parts) {
                    if (part.start <= entry.at && part.source < sources.size())
                        entry.source = sources[part.source].name;
                }
            }
        }
        bool any = false;
        const std::size_t first = gathered.entries.size();
        for (const rowentries::Entry& entry : entries) {
            if (!dictionary.empty() && (entry.source.empty() ? only : entry.source) != dictionary)
                continue;
            dictd::WrittenEntry written = rowentries::written(term.text, entry);
            // The page holds an entry twice where the dictionary's texts differed only in what
            // the page does not show: one more line end keeps the import from taking it for a
            // repeat of the same text.
            while (std::any_of(gathered.entries.begin() + static_cast<std::ptrdiff_t>(first),
                               gathered.entries.end(),
                               [&](const auto& other) { return other.text == written.text; }))
                written.text += u'\n';
            gathered.entries.push_back(std::move(written));
            any = true;
        }
        // A term without a definition is a headword with no text.
        if (entries.empty() && dictionary.empty()) {
            gathered.entries.push_back({term.text, term.text + u"\n"});
            any = true;
        }
        gathered.headwords += any ? 1 : 0;
    }
    return gathered;
}

// Writes `bytes` beside `path` first and then puts it in place, so that a failure leaves no
// half-written file.
std::string writeFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".part";
    errno = 0;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out && out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) &&
            out.flush()) {
            out.close();
            // Windows renames onto no existing file.
            const int kept = std::remove(path.c_str()) != 0 && errno != ENOENT ? errno : 0;
            if (std::rename(temporary.c_str(), path.c_str()) == 0)
                return std::string();
            const std::string reason = std::strerror(kept != 0 ? kept : errno);
            std::remove(temporary.c_str());
            return reason;
        }
    }
    const std::string reason = errno != 0 ? std::strerror(errno) : "the file could not be written";
    std::remove(temporary.c_str());
    return reason;
}

} // namespace

int writeDictdOut(const std::string& path, const std::u16string& dictionary,
                  const std::string& folder) {
    Gathered gathered;
    std::vector<search::Source> sources;
    try {
        const jet::Database database = jet::Database::open(path);
        sources = search::readSources(database);
        if (!dictionary.empty()) {
            const bool known = std::any_of(sources.begin(), sources.end(),
                                           [&](const auto& s) { return s.name == dictionary; });
            if (!known) {
                std::string names;
                for (const search::Source& source : sources)
                    names += (names.empty() ? "" : ", ") + jet::toUtf8(source.name);
                std::fprintf(stderr,
                             "dictbuild: %s holds no dictionary %s (it holds %s): name one of "
                             "those, or leave --dictionary out to write them all as one\n",
                             path.c_str(), jet::toUtf8(dictionary).c_str(),
                             names.empty() ? "no named dictionaries" : names.c_str());
                return 1;
            }
            if (sources.size() > 1 &&
                search::SourceView::refusal(database) != search::SourceView::Refusal::None) {
                std::fprintf(stderr,
                             "dictbuild: %s does not record which dictionary each part of "
                             "a page is (an earlier dictbuild built it): build it again, or "
                             "leave --dictionary out to write them all as one\n",
                             path.c_str());
                return 1;
            }
        }
        gathered = gather(database, sources, dictionary);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dictbuild: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
    const std::string name = !dictionary.empty()   ? jet::toUtf8(dictionary)
                             : sources.size() == 1 ? jet::toUtf8(sources[0].name)
                                                   : stemOf(path);
    const std::string fileName = path.substr(path.find_last_of("/\\") + 1);
    dictd::Description description;
    description.shortName = jet::fromUtf8(name + ", from the glossary's database " + fileName);
    description.info =
        jet::fromUtf8("Written out of the glossary's database " + fileName +
                      " by dictbuild: " + counted(gathered.entries.size(), "entry", "entries") +
                      " under " + counted(gathered.headwords, "headword", "headwords") + ".");
    description.url = jet::fromUtf8(path);
    dictd::Files files;
    try {
        files = dictd::writeDictionary(gathered.entries, description);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dictbuild: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
    const std::string base = folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name;
    // The data first: a server that finds the new index finds its data.
    for (const auto& [file, bytes] :
         {std::pair{base + ".dict.dz", &files.data}, std::pair{base + ".index", &files.index}}) {
        const std::string failure = writeFile(file, *bytes);
        if (!failure.empty()) {
            std::fprintf(stderr,
                         "dictbuild: cannot write %s: %s (name a folder that exists and that "
                         "you may write to)\n",
                         file.c_str(), failure.c_str());
            return 1;
        }
    }
    std::printf("dictbuild: %s of %s under %s written as %s.index and %s.dict.dz\n",
                counted(gathered.entries.size(), "entry", "entries").c_str(), name.c_str(),
                counted(gathered.headwords, "headword", "headwords").c_str(), base.c_str(),
                base.c_str());
    return 0;
}
