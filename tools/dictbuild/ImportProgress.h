#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// What an import tells its user, for every format: while it works, on a terminal, one line
// that follows it (the dictionary, the entries read, the phase); once a dictionary is done, a
// summary of it (entries, headwords, what was left out and why). Readers call it as they go.
class ImportProgress {
public:
    // Summaries go to `summary`; the progress line to `progress`, only when `live` (a terminal:
    // in a log, a line rewritten thousands of times is noise).
    ImportProgress(std::FILE* summary, std::FILE* progress, bool live);
    ImportProgress(const ImportProgress&) = delete;
    ImportProgress& operator=(const ImportProgress&) = delete;
    ~ImportProgress();

    // A dictionary is read from now on; its number is the count of those begun before it.
    std::size_t beginDictionary(const std::string& name);
    // How many entries of the dictionary being read are read so far.
    void entriesRead(std::size_t count);
    // What the import does now, and how far it has come when that is known.
    void phase(const std::string& what, std::size_t done = 0, std::size_t total = 0);
    // Entries of dictionary `number` left out, and why (a plural noun phrase: "repeated
    // entries (the same headword and text as another)").
    void skipped(std::size_t number, const std::string& reason, std::size_t count = 1);
    // Dictionary `number` is done: its summary is written.
    void endDictionary(std::size_t number, std::size_t entries, std::size_t headwords);
    // Takes the progress line off the screen, before a message is written there.
    void clear();

private:
    struct Dictionary {
        std::string name;
        std::vector<std::pair<std::string, std::size_t>> skipped;
    };
    void show(const std::string& line, bool now);

    std::FILE* summary_;
    std::FILE* progress_;
    bool live_;
    std::vector<Dictionary> dictionaries_;
    std::size_t shownWidth_ = 0; // of the progress line on the screen
    std::chrono::steady_clock::time_point lastShown_{};
};

// "1 dictionary", "9 dictionaries".
std::string counted(std::size_t count, const char* one, const char* many);
