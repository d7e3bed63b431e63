#include "JournalRecords.h"

#include "LineForm.h"

namespace {

constexpr long long kLargestDword = 0xFFFFFFFF;

bool dwordField(const std::string& field, std::uint32_t& value) {
    long long read = 0;
    if (!numberField(field, 0, kLargestDword, read))
        return false;
    value = static_cast<std::uint32_t>(read);
    return true;
}

// A flag written as 0 or 1.
bool flagField(const std::string& field, bool& value) {
    long long read = 0;
    if (!numberField(field, 0, 1, read))
        return false;
    value = read == 1;
    return true;
}

std::string pathRecord(const char* kind, const std::string& path) {
    return journalRecord({kind, exactField(path)});
}

// One record into `journal`; false when it is of no known form or does not fit what came
// before it (a use given back that was never counted, a value without its key).
bool readRecord(const std::vector<std::string>& record, SetupJournal& journal) {
    const std::string& kind = record[0];
    std::string text;
    if (record.size() >= 2 && kind != "returned" && !unescapedField(record[1], text))
        return false;
    if (kind == "made" && record.size() == 5) {
        SetupJournal::Folder folder{text, 0, 0, 0};
        if (!dwordField(record[2], folder.volume) || !dwordField(record[3], folder.indexHigh) ||
            !dwordField(record[4], folder.indexLow))
            return false;
        journal.folders.push_back(folder);
    } else if (kind == "file" && record.size() == 2) {
        journal.files.push_back(text);
    } else if (kind == "aside" && record.size() == 2) {
        journal.setAside.push_back(text);
    } else if (kind == "restart" && record.size() == 2) {
        journal.atRestart.push_back(text);
    } else if (kind == "installed" && record.size() == 2) {
        journal.installed.push_back(text);
    } else if (kind == "counted" && record.size() == 4) {
        SetupJournal::Count count{text, false, 0, false};
        if (!flagField(record[2], count.had) || !dwordField(record[3], count.added))
            return false;
        journal.counts.push_back(count);
    } else if (kind == "returned" && record.size() == 2) {
        long long index = 0;
        if (!numberField(record[1], 0, static_cast<long long>(journal.counts.size()) - 1, index))
            return false;
        journal.counts[static_cast<std::size_t>(index)].returned = true;
    } else if (kind == "registration" && record.size() == 3 && journal.key.empty()) {
        // Once a run, and always naming its key.
        if (text.empty() || !flagField(record[2], journal.keyExisted))
            return false;
        journal.key = text;
    } else if (kind == "value" && record.size() == 4 && !journal.key.empty()) {
        SetupJournal::Value value{text, 0, {}};
        if (!dwordField(record[2], value.type) || !hexFieldBytes(record[3], value.data))
            return false;
        journal.values.push_back(value);
    } else if (kind == "commit" && record.size() == 1) {
        journal.committed = true;
    } else {
        return false;
    }
    return true;
}

} // namespace

namespace setuprecord {

std::string header(const std::string& product) {
    return journalHeader("Setup", product);
}

std::string made(const SetupJournal::Folder& folder) {
    return journalRecord({"made", exactField(folder.path), std::to_string(folder.volume),
                          std::to_string(folder.indexHigh), std::to_string(folder.indexLow)});
}

std::string file(const std::string& path) {
    return pathRecord("file", path);
}

std::string aside(const std::string& path) {
    return pathRecord("aside", path);
}

std::string restart(const std::string& path) {
    return pathRecord("restart", path);
}

std::string counted(const SetupJournal::Count& count) {
    return journalRecord(
        {"counted", exactField(count.file), count.had ? "1" : "0", std::to_string(count.added)});
}

std::string returned(std::size_t index) {
    return journalRecord({"returned", std::to_string(index)});
}

std::string registration(const std::string& key, bool existed,
                         const std::vector<SetupJournal::Value>& values) {
    std::string records = journalRecord({"registration", exactField(key), existed ? "1" : "0"});
    for (const SetupJournal::Value& value : values)
        records += journalRecord(
            {"value", exactField(value.name), std::to_string(value.type), hexField(value.data)});
    return records;
}

std::string installed(const std::string& path) {
    return pathRecord("installed", path);
}

std::string commit() {
    return journalRecord({"commit"});
}

} // namespace setuprecord

bool readSetupJournal(const std::string& text, const std::string& product, SetupJournal& journal) {
    journal = SetupJournal();
    std::vector<std::vector<std::string>> records;
    if (!readJournalRecords(text, setuprecord::header(product), records))
        return false;
    for (const std::vector<std::string>& record : records) {
        if (!readRecord(record, journal))
            return false;
    }
    return true;
}

std::string setupJournalText(const SetupJournal& journal, const std::string& product) {
    std::string text = setuprecord::header(product);
    for (const SetupJournal::Folder& folder : journal.folders)
        text += setuprecord::made(folder);
    for (const std::string& path : journal.files)
        text += setuprecord::file(path);
    for (const std::string& path : journal.setAside)
        text += setuprecord::aside(path);
    for (const std::string& path : journal.atRestart)
        text += setuprecord::restart(path);
    for (const SetupJournal::Count& count : journal.counts)
        text += setuprecord::counted(count);
    for (std::size_t i = 0; i < journal.counts.size(); ++i) {
        if (journal.counts[i].returned)
            text += setuprecord::returned(i);
    }
    if (!journal.key.empty())
        text += setuprecord::registration(journal.key, journal.keyExisted, journal.values);
    for (const std::string& path : journal.installed)
        text += setuprecord::installed(path);
    if (journal.committed)
        text += setuprecord::commit();
    return text;
}
