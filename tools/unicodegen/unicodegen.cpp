// Writes the folding tables of glossary/text/ from the Unicode Character Database:
//   unicodegen <CaseFolding.txt> <UnicodeData.txt>  >  UnicodeTables.inc
// Case folding is the full one (status C and F). A letter's base is its canonical
// decomposition's first character with the rest as its marks; a letter without one whose name
// says "<script> LETTER X WITH <mark>" (l with stroke, o with stroke) has the letter X as its
// base and itself as its mark.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Codes = std::vector<std::uint32_t>;

std::vector<std::string> fields(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

Codes codes(const std::string& text) {
    Codes out;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        out.push_back(static_cast<std::uint32_t>(std::stoul(word, nullptr, 16)));
    return out;
}

struct Character {
    std::string name, category;
    int combiningClass = 0;
    Codes canonical; // empty when none
};

void print(const char* name, const std::map<std::uint32_t, Codes>& table, std::size_t width) {
    std::printf("// %zu entries: the character, then %zu code points (0 where unused).\n",
                table.size(), width);
    std::printf("static const std::uint32_t %s[] = {\n", name);
    std::size_t column = 0;
    for (const auto& [from, to] : table) {
        std::printf(column == 0 ? "   " : "");
        std::printf(" 0x%X,", from);
        for (std::size_t i = 0; i < width; ++i)
            std::printf(" 0x%X,", i < to.size() ? to[i] : 0);
        if (++column == 4) {
            std::printf("\n");
            column = 0;
        }
    }
    std::printf("%s};\n", column == 0 ? "" : "\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: unicodegen <CaseFolding.txt> <UnicodeData.txt>\n");
        return 2;
    }
    std::ifstream caseFolding(argv[1]), unicodeData(argv[2]);
    if (!caseFolding || !unicodeData) {
        std::fprintf(stderr, "unicodegen: cannot read the database files\n");
        return 1;
    }
    std::map<std::uint32_t, Codes> folds;
    std::string version;
    for (std::string line; std::getline(caseFolding, line);) {
        if (line.rfind("# CaseFolding-", 0) == 0)
            version = line.substr(2);
        const std::vector<std::string> part = fields(line.substr(0, line.find('#')), ';');
        if (part.size() < 3)
            continue;
        const std::string& status = part[1];
        if (status.find('C') != std::string::npos || status.find('F') != std::string::npos)
            folds[codes(part[0])[0]] = codes(part[2]);
    }
    std::map<std::uint32_t, Character> characters;
    std::map<std::string, std::uint32_t> byName;
    for (std::string line; std::getline(unicodeData, line);) {
        const std::vector<std::string> part = fields(line, ';');
        if (part.size() < 6)
            continue;
        const std::uint32_t code = codes(part[0])[0];
        Character character{part[1], part[2], std::stoi(part[3]), {}};
        if (!part[5].empty() && part[5][0] != '<')
            character.canonical = codes(part[5]);
        byName[character.name] = code;
        characters[code] = character;
    }
    // Full canonical decomposition.
    std::map<std::uint32_t, Codes> decomposed;
    auto decompose = [&](std::uint32_t code, auto& self) -> Codes {
        const auto found = characters.find(code);
        if (found == characters.end() || found->second.canonical.empty())
            return {code};
        Codes out;
        for (const std::uint32_t part : found->second.canonical) {
            const Codes more = self(part, self);
            out.insert(out.end(), more.begin(), more.end());
        }
        return out;
    };
    // The letter a "<script> LETTER X WITH ..." letter is written on, when there is one.
    auto nameBase = [&](std::uint32_t code) -> std::uint32_t {
        const auto found = characters.find(code);
        if (found == characters.end() || found->second.category[0] != 'L')
            return 0;
        const std::string& name = found->second.name;
        const std::size_t with = name.find(" WITH ");
        if (with == std::string::npos || name.find(" LETTER ") == std::string::npos)
            return 0;
        const auto base = byName.find(name.substr(0, with));
        return base == byName.end() ? 0 : base->second;
    };
    std::map<std::uint32_t, Codes> bases;
    std::size_t widest = 0;
    for (const auto& [code, character] : characters) {
        Codes parts = decompose(code, decompose);
        if (characters[parts[0]].combiningClass != 0)
            continue; // no base to stand on
        if (const std::uint32_t base = nameBase(parts[0])) {
            parts.insert(parts.begin() + 1, parts[0]);
            parts[0] = base;
        }
        if (parts.size() < 2)
            continue;
        bases[code] = parts;
        widest = std::max(widest, parts.size());
    }
    std::printf("// Generated by tools/unicodegen from the Unicode Character Database (%s);\n"
                "// do not edit.\n",
                version.c_str());
    print("kCaseFolds", folds, 3);
    print("kBases", bases, widest);
    std::printf("static constexpr std::size_t kBaseWidth = %zu;\n", widest);
    return 0;
}
