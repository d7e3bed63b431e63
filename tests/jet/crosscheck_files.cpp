// Writes the files that the cross-reader check compares: random dictionary sources (with the
// CSV that every reader must print for them) and databases of other shapes and versions.
#include "JetFixtures.h"
#include "jet/TextCodec.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

using namespace fixtures;

namespace {

std::string pick(std::mt19937& random, const std::vector<std::string>& choices) {
    return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
}

std::string randomUtf8(std::mt19937& random, std::size_t pieces) {
    static const std::vector<std::string> parts = {"abc",
                                                   "Protocol",
                                                   " ",
                                                   "<b>bold</b>",
                                                   "<a href=\"x.html\">link</a>",
                                                   "\"quoted\"",
                                                   ",",
                                                   "'",
                                                   "\xC3\xA9t\xC3\xA9",
                                                   "\xE2\x82\xAC",
                                                   "\xE6\x97\xA5\xE6\x9C\xAC",
                                                   "\xD0\x96",
                                                   "\xE2\x88\x91",
                                                   "&amp;",
                                                   "<ul><li>one</li></ul>",
                                                   "x",
                                                   ";",
                                                   "tab\tin",
                                                   "line\nbreak",
                                                   "back\\slash",
                                                   "\r"};
    std::string out;
    for (std::size_t i = 0; i < pieces; ++i)
        out += pick(random, parts);
    return out;
}

std::string escapeDefinition(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// What dictbuild stores for a definition: one without a tag is plain text, its line breaks
// written as <br>.
std::string stored(const std::string& definition) {
    for (std::size_t at = definition.find('<'); at != std::string::npos;
         at = definition.find('<', at + 1)) {
        const char next = at + 1 < definition.size() ? definition[at + 1] : ' ';
        if (std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!')
            return definition;
    }
    std::string out;
    for (std::size_t i = 0; i < definition.size(); ++i) {
        if (definition[i] == '\n')
            out += "<br>";
        else if (definition[i] != '\r' || i + 1 == definition.size() || definition[i + 1] != '\n')
            out += definition[i];
    }
    return out;
}

// mdb-export cuts values of more than about 200,000 UTF-8 bytes; `huge` dictionaries go past
// that and are compared between the other two readers only.
void dictionary(const std::string& directory, const std::string& name, std::mt19937& random,
                bool huge) {
    const std::size_t count = huge ? 3 : std::uniform_int_distribution<std::size_t>(0, 400)(random);
    // Two forms: mdb-export's (nulls and empty texts print alike) and one that tells them apart.
    std::string source, csv = "id,term,definition\n", nulls = csv;
    std::vector<std::string> terms;
    for (std::size_t i = 0; i < count; ++i) {
        std::string term;
        do {
            term = !terms.empty() && random() % 10 == 0
                       ? terms[random() % terms.size()] // duplicates
                       : randomUtf8(random, 1 + random() % 4);
            // Terms are literal: no TAB or line breaks in them.
            for (char& c : term)
                if (c == '\t' || c == '\n' || c == '\r')
                    c = ' ';
        } while (term.empty() || jet::fromUtf8(term).size() > 255);
        terms.push_back(term);
        const unsigned shape = random() % 10;
        std::string definition;
        if (shape == 0) {
            source += term + "\t\\N\n";
            csv += std::to_string(i + 1) + "," + quoted(term) + ",\n";
            nulls += std::to_string(i + 1) + "," + quoted(term) + ",\\N\n";
            continue;
        }
        if (huge)
            definition = randomUtf8(random, 150000); // over a megabyte
        else if (shape == 1)
            definition = "";
        else if (shape == 2)
            definition = randomUtf8(random, 2000 + random() % 12000); // long memos, LVAL chains
        else
            definition = randomUtf8(random, random() % 40);
        source += term + "\t" + escapeDefinition(definition) + (random() % 5 == 0 ? "\r\n" : "\n");
        definition = stored(definition);
        csv += std::to_string(i + 1) + "," + quoted(term) + "," +
               (definition.empty() ? "" : quoted(definition)) + "\n";
        nulls += std::to_string(i + 1) + "," + quoted(term) + "," + quoted(definition) + "\n";
    }
    write(directory + "/" + name + ".tsv", source);
    write(directory + "/" + name + ".csv", csv);
    write(directory + "/" + name + ".nulls", nulls);
}

void shapes(const std::string& directory, std::mt19937& random) {
    const std::vector<jet::ColumnSpec> columns = {
        {u"id", jet::kLong},      {u"small", jet::kByte},     {u"count", jet::kInteger},
        {u"flag", jet::kBoolean}, {u"name", jet::kText, 100}, {u"notes", jet::kMemo}};
    int number = 0;
    for (jet::Version version : {jet::Version::Jet4, jet::Version::Jet3}) {
        for (int variant = 0; variant < 3; ++variant) {
            jet::WriterOptions options;
            options.version = version;
            options.referenceMaps = variant == 1;
            options.deletedRowEvery = variant == 2 ? 4 : 0;
            // mdb-export prints characters beyond the Basic Multilingual Plane as "??".
            Rows rows = randomRows(columns, variant == 0 ? 50 : 1500, random,
                                   version == jet::Version::Jet3);
            for (auto& row : rows)
                for (jet::Value& value : row)
                    for (char16_t& c : value.text)
                        if (c >= 0xD800 && c <= 0xDFFF)
                            c = u'?';
            const std::vector<std::uint8_t> bytes = build(options, columns, rows, u"Shapes");
            write(directory + "/shape" + std::to_string(number++) + ".mdb",
                  std::string(bytes.begin(), bytes.end()));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: crosscheck_files <directory> <dictionaries>\n");
        return 2;
    }
    std::mt19937 random(20261207);
    for (int i = 0; i < std::atoi(argv[2]); ++i)
        dictionary(argv[1], "dict" + std::to_string(i), random, false);
    dictionary(argv[1], "huge", random, true);
    shapes(argv[1], random);
    return 0;
}
