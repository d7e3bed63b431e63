#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What a DICT server answers, as the glossary keeps it. Texts are as the server sent them
// (UTF-8), lines joined by LF, the dots that protect a line's start taken off.
namespace dict {

struct Database {
    std::string name;
    std::string description;
};

struct Definition {
    std::string word;
    std::string database;
    std::string description; // the database's, as the 151 line names it
    std::string text;
};

struct Match {
    std::string database;
    std::string word;
};

struct Reply {
    int status = 0;         // the last status line's code
    std::string statusText; // and its text (the banner's, for a connection)
    std::vector<Database> databases;
    std::vector<Definition> definitions;
    std::vector<Match> matches;
};

// Bounds on what one reply may take, so that a server sending without end costs little.
struct Limits {
    std::size_t maxLine = 64 * 1024;        // bytes of one line
    std::size_t maxItems = 1000;            // definitions, matches or databases
    std::size_t maxBytes = 8 * 1024 * 1024; // text of one reply
};

} // namespace dict
