// Builds the glossary's database: a new Jet 4 file with table Dict (id, term, definition) from
// a UTF-8 tab-separated source. Bad input is refused with the line named; nothing is written.
#include "DictionarySource.h"
#include "jetwriter/JetWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::uint8_t> buildDictionary(const std::vector<DictionaryEntry>& entries) {
    jet::JetWriter writer;
    const std::size_t table = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    std::vector<jet::Value> row(3);
    for (const DictionaryEntry& entry : entries) {
        row[0] = jet::Value(); // the next AutoNumber
        row[1].kind = jet::Value::Kind::Text;
        row[1].text = entry.term;
        row[2] = jet::Value();
        if (entry.definition) {
            row[2].kind = jet::Value::Kind::Text;
            row[2].text = *entry.definition;
        }
        writer.addRow(table, row);
    }
    return writer.finish();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dictbuild <source.tsv> <Dict.mdb>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "dictbuild: cannot open %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::uint8_t> bytes;
    try {
        bytes = buildDictionary(parseDictionary(text));
    } catch (const DictionaryError& error) {
        std::fprintf(stderr, "dictbuild: %s: %s\n", argv[1], error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dictbuild: %s\n", error.what());
        return 1;
    }
    // Written beside the target first, so a failure never leaves half a database.
    const std::string temporary = std::string(argv[2]) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "dictbuild: cannot write %s\n", temporary.c_str());
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
