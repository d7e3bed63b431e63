// Any bytes as an uninstall journal: no crash, no read outside the text, and what the reader
// accepts is written back as the same lines.
#include "journal/JournalRecords.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<JournalLine> lines;
    if (!readUninstallJournal(text, "Test Product", lines))
        return 0;
    std::string written = uninstallJournalHeader("Test Product");
    for (const JournalLine& line : lines) {
        written += journalLine(line);
        // A line read is a line given back: asked by what it names, the journal says so.
        if (!journalSaysReleased(lines, line.section, line.position, line.path) &&
            line.path == escapedPath(line.path))
            std::abort();
    }
    std::vector<JournalLine> again;
    if (!readUninstallJournal(written, "Test Product", again) || again.size() != lines.size())
        std::abort();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (again[i].done != lines[i].done || again[i].section != lines[i].section ||
            again[i].position != lines[i].position || again[i].count != lines[i].count ||
            again[i].path != lines[i].path)
            std::abort();
    }
    return 0;
}
