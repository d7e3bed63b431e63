// Builds the glossary's database: a new Jet 4 file with table Dict (id, term, definition) from
// a UTF-8 tab-separated source. Bad input is refused with the line named; nothing is written.
#include "DictionarySource.h"
#include "jetwriter/JetWriter.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Reads the whole source with one read: a source of a million lines is hundreds of megabytes.
bool readFile(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    text.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    return static_cast<bool>(in.read(text.data(), static_cast<std::streamsize>(text.size())));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dictbuild <source.tsv> <Dict.mdb>\n");
        return 2;
    }
    std::string text;
    if (!readFile(argv[1], text)) {
        std::fprintf(stderr, "dictbuild: cannot open %s\n", argv[1]);
        return 1;
    }
    // Every entry goes into the database as it is read; nothing is written before the whole
    // source has been read without fault.
    jet::JetWriter writer;
    try {
        const std::size_t table = writer.addTable(u"Dict", {{u"id", jet::kLong, 0, true},
                                                            {u"term", jet::kText, 255},
                                                            {u"definition", jet::kMemo}});
        std::vector<jet::Value> row(3);
        readDictionary(text, [&](DictionaryEntry& entry) {
            row[0] = jet::Value(); // the next AutoNumber
            row[1].kind = jet::Value::Kind::Text;
            row[1].text = std::move(entry.term);
            row[2] = jet::Value();
            if (entry.definition) {
                row[2].kind = jet::Value::Kind::Text;
                row[2].text = std::move(*entry.definition);
            }
            writer.addRow(table, row);
        });
    } catch (const DictionaryError& error) {
        std::fprintf(stderr, "dictbuild: %s: %s\n", argv[1], error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dictbuild: %s\n", error.what());
        return 1;
    }
    text = std::string(); // no longer needed while the file is written
    // Written beside the target first, so a failure never leaves half a database.
    const std::string temporary = std::string(argv[2]) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!writer.finish(out) || !out.flush()) {
            std::fprintf(stderr, "dictbuild: cannot write %s\n", temporary.c_str());
            out.close();
            std::remove(temporary.c_str());
            return 1;
        }
    }
    std::remove(argv[2]);
    if (std::rename(temporary.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "dictbuild: cannot create %s\n", argv[2]);
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
