#include "DatabaseSet.h"

#include "WindowText.h"
#include "win32/RegistryLines.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

const wchar_t kKey[] = L"Software\\Technical Glossary";
const wchar_t kAdded[] = L"Added databases";
const wchar_t kOrder[] = L"Dictionary order";
const wchar_t kChoicesKey[] = L"Software\\Technical Glossary\\Dictionaries"; // a value a database

bool samePath(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

std::wstring fullDatabasePath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

void DatabaseSet::read() const {
    if (read_)
        return;
    read_ = true;
    for (const std::u16string& line : win32::readLines(HKEY_CURRENT_USER, kKey, kAdded))
        added_.emplace_back(line.begin(), line.end());
    order_ = win32::readLines(HKEY_CURRENT_USER, kKey, kOrder);
}

const std::vector<std::wstring>& DatabaseSet::added() const {
    read();
    return added_;
}

const std::vector<std::u16string>& DatabaseSet::order() const {
    read();
    return order_;
}

void DatabaseSet::setAdded(std::vector<std::wstring> paths) {
    read();
    changed_ = changed_ || paths != added_;
    added_ = std::move(paths);
}

void DatabaseSet::setOrder(std::vector<std::u16string> names) {
    read();
    changed_ = changed_ || names != order_;
    order_ = std::move(names);
}

bool DatabaseSet::add(const std::wstring& path, const std::wstring& opened) {
    read();
    const std::wstring full = fullDatabasePath(path);
    if (samePath(full, fullDatabasePath(opened)) ||
        std::any_of(added_.begin(), added_.end(),
                    [&full](const std::wstring& other) { return samePath(full, other); }))
        return false;
    added_.push_back(full);
    changed_ = true;
    return true;
}

std::vector<std::u16string> DatabaseSet::choice(const std::wstring& path) const {
    const std::wstring full = fullDatabasePath(path);
    const auto chosen = choices_.find(full);
    return chosen != choices_.end()
               ? chosen->second
               : win32::readLines(HKEY_CURRENT_USER, kChoicesKey, full, 1024 * 1024);
}

void DatabaseSet::setChoice(const std::wstring& path, std::vector<std::u16string> names) {
    choices_[fullDatabasePath(path)] = std::move(names);
}

void DatabaseSet::save() const {
    for (const auto& [database, names] : choices_)
        win32::writeLines(HKEY_CURRENT_USER, kChoicesKey, database, names);
    if (!changed_)
        return;
    std::vector<std::u16string> lines;
    for (const std::wstring& path : added_)
        lines.emplace_back(path.begin(), path.end());
    win32::writeLines(HKEY_CURRENT_USER, kKey, kAdded, lines);
    win32::writeLines(HKEY_CURRENT_USER, kKey, kOrder, order_);
}

std::vector<std::wstring> DatabaseSet::paths(const std::wstring& opened) const {
    std::vector<std::wstring> paths{opened};
    paths.insert(paths.end(), added().begin(), added().end());
    return paths;
}

std::vector<search::SetMember> DatabaseSet::members(const std::wstring& opened) const {
    std::vector<search::SetMember> members;
    for (const std::wstring& path : paths(opened))
        members.push_back({utf8(path), choice(path)});
    return members;
}

std::u16string
DatabaseSet::note(const std::vector<std::pair<std::wstring, std::wstring>>& problems) {
    std::u16string note;
    for (const auto& [path, reason] : problems) {
        // The system's sentences end with a full stop; the note puts the reason in brackets.
        std::wstring why = reason;
        while (!why.empty() && (why.back() == L'.' || iswspace(why.back())))
            why.pop_back();
        note += u"<font face='MS Sans Serif' size=2 color=#A00000><b>A database is left "
                u"out:</b> " +
                escapeHtml(path) + u" (" + escapeHtml(why) +
                u"). The other databases are shown. Put the file back or build it again with "
                u"dictbuild, or remove it in Dictionaries (Ctrl+D).</font><br><br>";
    }
    return note;
}

std::u16string DatabaseSet::pageNote(const Glossary& glossary) const {
    std::vector<std::pair<std::wstring, std::wstring>> problems = problems_;
    for (const auto& [path, why] : glossary.lostParts())
        problems.emplace_back(fromUtf8(path), fromUtf8(why) + L", since it was opened");
    return note(problems);
}
