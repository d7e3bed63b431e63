// Any bytes as setup's journal: no crash, no read outside the text, what the reader accepts is
// written back as the same records, a journal cut off anywhere reads as its whole lines, and
// what is left of it in the product's scope lies in that scope.
#include "journal/JournalRecords.h"
#include "journal/JournalScope.h"
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
    JournalScope scope;
    scope.folders = {"C:\\Program Files\\Technical Glossary"};
    scope.files = {"C:\\Windows\\System32\\tg_shared.dll"};
    scope.keys = {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Technical Glossary"};
    const std::size_t counts = journal.counts.size();
    limitToScope(journal, scope);
    for (const auto* paths :
         {&journal.files, &journal.setAside, &journal.atRestart, &journal.installed}) {
        for (const std::string& path : *paths) {
            if (!fileInScope(scope, path))
                std::abort();
        }
    }
    for (const SetupJournal::Count& count : journal.counts) {
        if (!count.returned && !fileInScope(scope, count.file))
            std::abort();
    }
    if (journal.counts.size() != counts ||
        (!journal.key.empty() && !keyInScope(scope, journal.key)))
        std::abort();
    return 0;
}
