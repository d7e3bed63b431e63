#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The one reader of "Setup.log". It keeps a cleaned copy of the file's text and answers
// queries about sections, entries and keys, byte for byte and case-sensitively.
//
// The text never changes after loading, so the line layout is indexed once; a loaded reader
// may then be queried from several threads at once without a lock.
class SetupLog {
public:
    // Loads directory\fileName (Win32 only). Throws FileException(fileName, 2) when the file
    // cannot be opened for reading.
    SetupLog(const std::string& directory, const std::string& fileName);

    // A reader of the given file contents, for portable code and tests.
    static SetupLog fromBytes(std::string_view fileBytes);
    // As a load sees it: a buffer of the file's size, of which only `arrived` bytes were read.
    static SetupLog fromBuffer(std::string buffer, std::size_t arrived);

    int entryCount(std::string_view section) const;
    bool entry(std::string& out, std::string_view section, int position) const;
    int value(std::string& out, std::string_view section, std::string_view key,
              std::string_view defaultValue, bool unescape) const;
    void clear();

    // The kept text: every kept line with its CR LF, then the unterminated last piece.
    const std::string& text() const { return text_; }

private:
    SetupLog() = default;
    void load(std::string& buffer, std::size_t arrived);
    void buildIndex();

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // Index of the first line of the section's body, or kNone when it has no lines.
    std::size_t firstLineOf(std::string_view section) const;
    std::size_t lineAt(std::size_t position) const;
    std::string_view line(std::size_t index) const;
    bool startsSection(std::size_t index) const;

    std::string text_;
    std::vector<std::size_t> lineStart_;
    std::vector<std::size_t> lineEnd_; // end of each line's bytes, before its CR LF
    std::vector<std::size_t> runEnd_;  // first line at or after i that begins with "["
    // First occurrence of "[name]" for names that head a line; other names are searched.
    std::unordered_map<std::string, std::size_t> headerAt_;
};

// Why a loaded log is no setup log, in plain words; empty when it reads as one. A setup log
// begins with a section header in one of its two stored forms (plain, or byte-inverted), names
// its product (Application_Name in [COMMON]) and its application directory ([APPDIR]). A file
// saved again by an editor (a byte order mark, bare line feeds) or any other file is none, and
// must not be taken for a log that lists nothing.
std::string whyNotASetupLog(const SetupLog& log);

// Replaces backslash-r by LF CR, then backslash-t by TAB, left to right.
std::string unescapeValue(std::string text);
