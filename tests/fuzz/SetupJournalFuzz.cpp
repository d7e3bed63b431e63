// Any bytes as setup's journal: no crash, no read outside the text, what the reader accepts is
// written back as the same records, and a journal cut off anywhere reads as its whole lines.
#include "journal/JournalRecords.h"
#include "journal/LineForm.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string product = "Technical Glossary";
    const std::string text(reinterpret_cast<const char*>(data), size);
    SetupJournal journal;
    if (!readSetupJournal(text, product, journal))
        return 0;
    const std::string written = setupJournalText(journal, product);
    SetupJournal again;
    if (!readSetupJournal(written, product, again) || setupJournalText(again, product) != written)
        std::abort();
    // What a recovery keeps of the text before it adds its own lines reads as the same records.
    SetupJournal whole;
    if (!readSetupJournal(text.substr(0, wholeLines(text)), product, whole) ||
        setupJournalText(whole, product) != written)
        std::abort();
    return 0;
}
