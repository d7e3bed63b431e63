// Builds the glossary's database: a new Jet 4 file with table Dict (id, term, definition) from
// a UTF-8 tab-separated source, or from dictionaries in the dictd format. Bad input is refused
// with the file and line named; nothing is written.
#include "DictdExport.h"
#include "DictdFormat.h"
#include "DictdImport.h"
#include "DictionarySource.h"
#include "ImportProgress.h"
#include "InputFormat.h"
#include "RowQueue.h"
#include "SearchTables.h"
#include "SpellingDictionary.h"
#include "StardictDictionary.h"
#include "jet/TextCodec.h"
#include "jetwriter/JetWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

// Reads the whole source with one read: a source of a million lines is hundreds of megabytes.
bool readFile(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    // A folder opens here too, with a size of no meaning.
    if (!in || stardict::isFolder(path))
        return false;
    text.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    return static_cast<bool>(in.read(text.data(), static_cast<std::streamsize>(text.size())));
}

// What `path` is, from its name and first bytes.
InputFormat formatOf(const std::string& path) {
    std::string head(4096, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::ifstream info(stardictInfoName(path));
    return inputFormat(path, head, stardict::isFolder(path), static_cast<bool>(info));
}

// The system's reason for a failed file operation, and what the user can do about it.
std::string reason(int error) {
    std::string text = std::strerror(error);
    if (error == EACCES || error == EBUSY || error == EPERM || error == ETXTBSY)
        text += " (another program may have the file open, or the folder may be read-only: "
                "close that program, or name another file)";
    else if (error == ENOSPC)
        text += " (free some room on the disk, or name a file on another)";
    else if (error == ENOENT)
        text += " (the folder does not exist)";
    return text;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: dictbuild [options] <source.tsv> <Dict.mdb>\n"
        "       dictbuild [options] --dictd <name.index> <name.dict[.dz]> [more pairs] "
        "<Dict.mdb>\n"
        "       (a StarDict dictionary, <name.ifo> or its folder, in place of a pair, "
        "or of <source.tsv>)\n"
        "       dictbuild --each [options] --dictd ... as above, a <folder> in place of "
        "<Dict.mdb>:\n       each dictionary into a database of its own, <folder>/<name>.mdb\n"
        "       dictbuild --list <Dict.mdb>\n"
        "       dictbuild --dictd-out [--dictionary <name>] <Dict.mdb> <folder>\n"
        "--no-index leaves out the full-text index's words (searches then read every "
        "definition);\n--forms <lang.aff> <lang.dic> (once a language) adds the word "
        "forms that lead to the terms,\nfrom a Hunspell dictionary; --list prints the "
        "sources and their entries;\n--dictd-out writes the database (or one dictionary of it) "
        "into the folder as a dictd\ndictionary, <name>.index and <name>.dict.dz, for a "
        "DICT server.\n");
    return 2;
}

// The rows' characters that may wait for the thread that writes them: 32 MB. The import's
// reading and converting runs ahead of the writing by at most this much.
constexpr std::size_t kMaxWaitingCharacters = 16 * 1024 * 1024;

// The rows of table Dict, written, and read for the searches, on a thread of their own beside
// the import's reading and converting of the dictionaries.
class Rows {
public:
    // The database is written to `temporary` as its pages fill.
    Rows(bool withIndex, std::vector<SpellingFiles> languages, std::string temporary)
        : temporary_(std::move(temporary)), writer_(options()),
          search_(withIndex, std::move(languages)),
          table_(writer_.addTable(u"Dict", {{u"id", jet::kLong, 0, true},
                                            {u"term", jet::kText, 255},
                                            {u"definition", jet::kMemo}})),
          row_(3) {}

    void add(DictionaryEntry& entry) {
        if (rowCount_ == 0) {
            // Opened only now, once the sources were read without fault. Should it fail, the
            // pages stay in memory and the final write names the reason.
            out_.open(temporary_, std::ios::binary | std::ios::trunc);
            if (out_)
                writer_.spillTo(out_);
            else
                out_.clear();
        }
        queue_.push(rowCount_++, std::move(entry));
    }
    // Both the writer's alone once the rows' thread has ended: after finishSearch(), or when
    // the import failed, which leaves the rows still waiting unwritten.
    jet::JetWriter& writer() {
        queue_.stop();
        return writer_;
    }
    // The file the pages went to so far, or a closed stream.
    std::ofstream& out() {
        queue_.stop();
        return out_;
    }
    // The tables of the searches, once every row is in.
    void finishSearch(const std::vector<std::u16string>& sourceNames, ImportProgress& progress) {
        queue_.finish();
        queue_.stop();
        progress.phase("writing the search tables");
        search_.write(writer_, sourceNames);
        const SearchTables::FormsSummary& forms = search_.formsSummary();
        progress.clear();
        if (forms.asked != 0)
            std::printf("dictbuild: %zu word forms lead to terms, of %zu words that are no term "
                        "and are written in a spelling dictionary's letters\n",
                        forms.forms, forms.asked);
    }

private:
    // On the queue's thread: the row into the database, then into the searches' tables.
    void write(std::uint32_t row, DictionaryEntry& entry) {
        row_[0] = jet::Value(); // the next AutoNumber
        row_[1].kind = jet::Value::Kind::Text;
        row_[1].text = std::move(entry.term);
        row_[2] = jet::Value();
        if (entry.definition) {
            row_[2].kind = jet::Value::Kind::Text;
            row_[2].text = std::move(*entry.definition);
        }
        writer_.addRow(table_, row_);
        // Encoded: the texts go on to the searches, uncopied.
        entry.term = std::move(row_[1].text);
        if (entry.definition)
            *entry.definition = std::move(row_[2].text);
        search_.add(row, entry);
    }

    // Dictionaries are mostly Latin-1 with other characters here and there: compressed, every
    // text takes about half the room.
    static jet::WriterOptions options() {
        jet::WriterOptions options;
        options.mixedCompression = true;
        // The glossary reads every term at start: a megabyte of term rows at a time.
        options.tablePageRun = 256;
        return options;
    }

    std::string temporary_;
    std::ofstream out_;
    jet::JetWriter writer_;
    SearchTables search_;
    std::uint32_t rowCount_ = 0;
    std::size_t table_;
    std::vector<jet::Value> row_;
    // Last, so that its thread ends before what it uses goes. Until finishSearch() has waited
    // for it, it alone touches the writer, the searches and `row_`.
    RowQueue queue_{[this](std::uint32_t row, DictionaryEntry& entry) { write(row, entry); },
                    kMaxWaitingCharacters};
};

// Reads dictionaries named in pairs (dictd's index, data) or one by one (StarDict's
// information file or folder) into `rows`; false after a message.
bool importDictdFiles(const char* const* names, int count, Rows& rows, ImportProgress& progress) {
    std::vector<DictdInput> inputs;
    std::string lastInfo; // a StarDict part named after its information file is read with it
    for (int i = 0; i < count; i += 2) {
        const InputFormat format = formatOf(names[i]);
        if (format.kind == InputKind::StardictPart && stardictInfoName(names[i]) == lastInfo) {
            --i;
            continue;
        }
        if (format.kind == InputKind::StardictInfo || format.kind == InputKind::StardictFolder) {
            lastInfo = names[i];
            DictdInput input;
            try {
                input.stardict = std::make_shared<stardict::Dictionary>(
                    stardict::readDictionary(stardict::readFiles(names[i])));
            } catch (const std::exception& error) {
                std::fprintf(stderr, "dictbuild: %s\n", error.what());
                return false;
            }
            inputs.push_back(std::move(input));
            --i;
            continue;
        }
        if (!format.message.empty()) {
            std::fprintf(stderr, "dictbuild: %s\n", format.message.c_str());
            return false;
        }
        if (i + 1 == count)
            return usage() == 0;
        DictdInput input{names[i], {}, names[i + 1], {}};
        for (auto [name, text] :
             {std::pair{names[i], &input.index}, std::pair{names[i + 1], &input.data}}) {
            if (!readFile(name, *text)) {
                std::fprintf(stderr, "dictbuild: cannot open %s\n", name);
                return false;
            }
        }
        inputs.push_back(std::move(input));
    }
    DictdSummary summary;
    try {
        importDictd(
            std::move(inputs), [&rows](DictionaryEntry& entry) { rows.add(entry); }, &summary,
            &progress);
    } catch (const std::exception& error) {
        progress.clear();
        std::fprintf(stderr, "dictbuild: %s\n", error.what());
        return false;
    }
    std::printf("dictbuild: %zu entries of %s as %zu terms", summary.entries,
                counted(summary.sources.size(), "dictionary", "dictionaries").c_str(),
                summary.rows);
    if (summary.shortened != 0)
        std::printf("; %zu headwords longer than %zu characters shortened", summary.shortened,
                    kMaxTermLength);
    if (summary.labelDictionaries != 0)
        std::printf("; braces are labels in %zu", summary.labelDictionaries);
    std::printf("\n");
    for (const std::string& note : summary.notes)
        std::printf("dictbuild: %s\n", note.c_str());
    try {
        rows.finishSearch(summary.sources, progress);
    } catch (const std::exception& error) {
        progress.clear();
        std::fprintf(stderr, "dictbuild: %s\n", error.what());
        return false;
    }
    return true;
}

// Reads the text source into `rows`; false after a message.
bool importText(const char* name, Rows& rows, ImportProgress& progress) {
    const InputFormat format = formatOf(name);
    if (format.kind == InputKind::StardictInfo || format.kind == InputKind::StardictFolder)
        return importDictdFiles(&name, 1, rows, progress);
    if (!format.message.empty()) {
        std::fprintf(stderr, "dictbuild: %s\n", format.message.c_str());
        return false;
    }
    std::string text;
    if (!readFile(name, text)) {
        std::fprintf(stderr, "dictbuild: cannot open %s\n", name);
        return false;
    }
    // One source, named as its file is.
    std::string stem = name;
    stem = stem.substr(stem.find_last_of("/\\") + 1);
    stem = stem.substr(0, stem.rfind('.'));
    const std::size_t number = progress.beginDictionary(stem);
    // Every entry goes into the database as it is read; nothing is written before the whole
    // source has been read without fault.
    try {
        std::size_t entries = 0;
        std::unordered_set<std::u16string> terms;
        readDictionary(text, [&](DictionaryEntry& entry) {
            terms.insert(entry.term);
            rows.add(entry);
            if (++entries % 4096 == 0)
                progress.entriesRead(entries);
        });
        progress.endDictionary(number, entries, terms.size());
        rows.finishSearch({jet::fromUtf8(stem)}, progress);
    } catch (const DictionaryError& error) {
        progress.clear();
        std::fprintf(stderr, "dictbuild: %s: %s\n", name, error.what());
        return false;
    } catch (const std::exception& error) {
        progress.clear();
        std::fprintf(stderr, "dictbuild: %s\n", error.what());
        return false;
    }
    return true;
}

// Beside the target first, so a failure never leaves half a database.
std::string partName(const char* target) {
    return std::string(target) + ".part";
}

// What an import that failed had written of its database goes.
void discardPart(Rows& rows, const char* target) {
    if (rows.out().is_open()) {
        rows.out().close();
        std::remove(partName(target).c_str());
    }
}

// Writes the database of `rows` (made with `partName(target)`) as `target`; the exit code.
int writeDatabase(Rows& rows, const char* target, ImportProgress& progress) {
    const std::string temporary = partName(target);
    progress.phase("writing " + std::string(target));
    jet::JetWriter& writer = rows.writer();
    {
        errno = 0;
        std::ofstream& out = rows.out();
        if (!out.is_open())
            out.open(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !writer.finish(out) || !out.flush()) {
            const int error = errno;
            progress.clear();
            std::fprintf(stderr, "dictbuild: cannot write %s: %s\n", temporary.c_str(),
                         error != 0 ? reason(error).c_str() : "the file could not be written");
            out.close();
            std::remove(temporary.c_str());
            return 1;
        }
        out.close(); // before the rename, which Windows refuses for an open file
    }
    errno = 0;
    // An old file that cannot go is the reason to name: the rename then fails only because
    // it is still there.
    int error = std::remove(target) != 0 && errno != ENOENT ? errno : 0;
    if (std::rename(temporary.c_str(), target) != 0) {
        error = error != 0 ? error : errno;
        progress.clear();
        std::fprintf(stderr, "dictbuild: cannot create %s: %s\n", target, reason(error).c_str());
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}

// The name of a dictionary's own database: its index's (or StarDict file's or folder's) name.
std::string databaseName(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    for (const char* end : {".index", ".ifo"}) {
        const std::string ending = end;
        if (name.size() > ending.size() &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            name.resize(name.size() - ending.size());
    }
    return name;
}

// `--each`: each dictionary (a pair of dictd files, or one StarDict dictionary) into a database
// of its own in `folder`, named as the dictionary; the others go on when one fails.
int importEach(const char* const* names, int count, const char* folder, bool withIndex,
               const std::vector<SpellingFiles>& languages, ImportProgress& progress) {
    std::vector<std::pair<int, int>> groups; // first argument, how many
    std::string lastInfo;
    for (int i = 0; i < count;) {
        const InputFormat format = formatOf(names[i]);
        if (format.kind == InputKind::StardictPart && stardictInfoName(names[i]) == lastInfo) {
            ++i;
            continue;
        }
        const bool stardict =
            format.kind == InputKind::StardictInfo || format.kind == InputKind::StardictFolder;
        if (stardict)
            lastInfo = names[i];
        const int size = stardict || i + 1 == count ? 1 : 2;
        groups.emplace_back(i, size);
        i += size;
    }
    std::vector<std::string> failed;
    for (const auto& [first, size] : groups) {
        const std::string target = std::string(folder) + "/" + databaseName(names[first]) + ".mdb";
        Rows rows(withIndex, languages, partName(target.c_str()));
        const bool imported = importDictdFiles(names + first, size, rows, progress);
        if (!imported)
            discardPart(rows, target.c_str());
        if (!imported || writeDatabase(rows, target.c_str(), progress) != 0) {
            failed.push_back(names[first]);
            continue;
        }
        std::printf("dictbuild: wrote %s\n", target.c_str());
    }
    std::printf("dictbuild: %zu of %s written into %s", groups.size() - failed.size(),
                counted(groups.size(), "database", "databases").c_str(), folder);
    for (std::size_t i = 0; i < failed.size(); ++i)
        std::printf("%s%s", i == 0 ? "; not written (see above): " : ", ", failed[i].c_str());
    std::printf("\n");
    return failed.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--list")
        return argc == 3 ? listSources(argv[2]) : usage();
    if (argc > 1 && std::string(argv[1]) == "--dictd-out") {
        if (argc == 6 && std::string(argv[2]) == "--dictionary")
            return writeDictdOut(argv[4], jet::fromUtf8(argv[3]), argv[5]);
        return argc == 4 ? writeDictdOut(argv[2], u"", argv[3]) : usage();
    }
    bool withIndex = true, each = false;
    std::vector<SpellingFiles> languages;
    for (;;) {
        const std::string option = argc > 1 ? argv[1] : "";
        if (option == "--no-index") {
            withIndex = false;
        } else if (option == "--each") {
            each = true;
        } else if (option == "--forms" && argc > 3) {
            languages.push_back({argv[2], argv[3]});
            // Checked now, so that a dictionary that cannot serve is named before the import.
            try {
                SpellingDictionary::check(languages.back());
            } catch (const std::exception& error) {
                std::fprintf(stderr, "dictbuild: %s\n", error.what());
                return 1;
            }
            argv += 2;
            argc -= 2;
        } else {
            break;
        }
        ++argv;
        --argc;
    }
    const bool dictd = argc > 1 && std::string(argv[1]) == "--dictd";
    if (dictd ? argc < 4 : argc != 3)
        return usage();
    ImportProgress progress(stdout, stderr, isatty(fileno(stderr)) != 0);
    if (each)
        return dictd
                   ? importEach(argv + 2, argc - 3, argv[argc - 1], withIndex, languages, progress)
                   : usage();
    const char* target = argv[argc - 1];
    Rows rows(withIndex, std::move(languages), partName(target));
    if (!(dictd ? importDictdFiles(argv + 2, argc - 3, rows, progress)
                : importText(argv[1], rows, progress))) {
        discardPart(rows, target);
        return 1;
    }
    return writeDatabase(rows, target, progress);
}
