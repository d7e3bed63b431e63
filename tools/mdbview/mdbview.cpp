// Looks into a Jet database: its user tables, a table's columns, a table as CSV, searches, and
// the glossary's pages as text.
#include "CsvExport.h"
#include "PageCommand.h"
#include "SearchCommand.h"

#include "jet/TextCodec.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: mdbview tables <file.mdb>\n"
                 "       mdbview columns <file.mdb> <table>\n"
                 "       mdbview export [--null TEXT] <file.mdb> <table>\n"
                 "       mdbview search [--time] <file.mdb> <words>\n"
                 "       mdbview terms [--time] <file.mdb> <pattern>\n"
                 "       mdbview forms [--time] <file.mdb> [<word>]\n"
                 "       mdbview page [--dictionary NAME] <file.mdb> [<term>...]\n"
                 "Export prints CSV as mdb-export does; with --null, nulls print as TEXT\n"
                 "and empty texts as \"\" (mdb-export prints both as nothing).\n"
                 "Search prints the entries whose definitions hold all the words (a phrase\n"
                 "in double quotes as written), best first: term, TAB, dictionary. Terms\n"
                 "prints the terms matching a pattern of * (any run) and ? (one character).\n"
                 "Forms prints the terms a word is a form of; without a word, every form,\n"
                 "TAB, its term.\n"
                 "Page prints each term's page as the glossary copies it, pages apart by a\n"
                 "form feed line; with --dictionary, only that dictionary's part. Without\n"
                 "terms, one a line from the standard input.\n"
                 "With --time, how long it took goes to the error output.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage();
    const std::string command = argv[1];
    if (command == "page") {
        int first = 2;
        std::u16string dictionary;
        if (argc >= 5 && std::strcmp(argv[2], "--dictionary") == 0) {
            dictionary = jet::fromUtf8(argv[3]);
            first = 4;
        }
        if (argc <= first)
            return usage();
        std::vector<std::u16string> terms;
        for (int i = first + 1; i < argc; ++i)
            terms.push_back(jet::fromUtf8(argv[i]));
        if (argc == first + 1) {
            for (std::string line; std::getline(std::cin, line);)
                terms.push_back(jet::fromUtf8(line));
        }
        return pageCommand(argv[first], dictionary, terms);
    }
    if (command == "search" || command == "terms" || command == "forms") {
        const bool timing = std::strcmp(argv[2], "--time") == 0;
        const int first = timing ? 3 : 2;
        if (command == "forms") {
            if (argc != first + 1 && argc != first + 2)
                return usage();
            return formsCommand(
                argv[first], argc == first + 2 ? jet::fromUtf8(argv[first + 1]) : std::u16string(),
                timing);
        }
        if (argc < first + 2 || (command == "terms" && argc != first + 2))
            return usage();
        std::string words;
        for (int i = first + 1; i < argc; ++i)
            words += (i > first + 1 ? " " : "") + std::string(argv[i]);
        return command == "search" ? searchCommand(argv[first], jet::fromUtf8(words), timing)
                                   : wildcardCommand(argv[first], jet::fromUtf8(words), timing);
    }
    CsvOptions csv;
    if (command == "export" && argc == 6 && std::strcmp(argv[2], "--null") == 0) {
        csv.nullText = argv[3];
        argv += 2;
        argc -= 2;
    }
    try {
        const jet::Database database = jet::Database::open(argv[2]);
        if (command == "tables" && argc == 3) {
            for (const jet::TableInfo& table : database.tables())
                std::cout << jet::toUtf8(table.name) << '\n';
            return 0;
        }
        if (argc != 4)
            return usage();
        const std::u16string table = jet::fromUtf8(argv[3]);
        if (command == "columns") {
            for (const jet::Column& column : database.definition(table).columns)
                std::cout << jet::toUtf8(column.name) << '\t' << columnTypeName(column.type) << '\t'
                          << column.length << '\n';
            return 0;
        }
        if (command == "export") {
            jet::Recordset rows = database.openTable(table);
            exportCsv(rows, std::cout, csv);
            return 0;
        }
        return usage();
    } catch (const JetError& error) {
        std::cout.flush();
        std::fprintf(stderr, "mdbview: %s: %s\n", argv[2], error.what());
        return 1;
    }
}
