// The dictionaries the window shows: the user's choice of a database's sources, in the dialog
// (the "Dictionaries..." button, Ctrl+D), remembered per database under the settings' key and
// matched by the sources' names, so that a database built again keeps what still applies.
#include "DictionariesDialog.h"
#include "GlossaryWindow.h"
#include "WindowText.h"
#include "win32/Handles.h"
#include "win32/RegistryLines.h"

#include "jet/Database.h"

#include <memory>

namespace {

const wchar_t kChoicesKey[] = L"Software\\Technical Glossary\\Dictionaries"; // a value a database

// The database's full path: the value's name, which the registry compares ignoring case.
std::wstring fullPathOf(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

std::vector<std::u16string> storedChoice(const std::wstring& database) {
    return win32::readLines(HKEY_CURRENT_USER, kChoicesKey, database, 1024 * 1024);
}

} // namespace

std::vector<std::u16string> GlossaryWindow::rememberedSources(const std::wstring& path) const {
    const std::wstring full = fullPathOf(path);
    const auto chosen = chosenSources_.find(full);
    return chosen != chosenSources_.end() ? chosen->second : storedChoice(full);
}

Glossary::RowView GlossaryWindow::sourceViewFor(const std::wstring& path) const {
    return sourceViewFor(path, rememberedSources(path), groups_.model().shown());
}

Glossary::RowView GlossaryWindow::sourceViewFor(const std::wstring& path,
                                                const std::vector<std::u16string>& remembered,
                                                const std::optional<groups::Group>& group) {
    Glossary::RowView rows;
    try {
        const jet::Database database = jet::Database::open(utf8(path));
        search::SourceChoice choice =
            search::applyRemembered(search::readSources(database), remembered);
        groups::restrict(choice, group); // outside the group shown is as if off
        // Pages follow the dictionaries' order even where rows cannot be told apart.
        rows.sourceOrder = search::namesOn(choice);
        const std::shared_ptr<const search::SourceView> view =
            search::SourceView::open(database, choice);
        if (!view)
            return rows;
        rows.listed = [view](std::uint32_t row) { return view->listed(row); };
        rows.shown = [view](std::uint32_t row, const std::u16string& definition) {
            return view->shown(row, definition);
        };
        return rows;
    } catch (const std::exception&) {
        // Read as written: what is wrong with the file the load itself tells.
        return Glossary::RowView();
    }
}

void GlossaryWindow::chooseDictionaries() {
    if (reading_)
        return; // the choice applies to terms that are not in yet
    const std::wstring path = databasePath();
    DictionaryChoices choices;
    choices.refusal = search::SourceView::Refusal::NoSources;
    try {
        const jet::Database database = jet::Database::open(utf8(path));
        choices.refusal = search::SourceView::refusal(database);
        choices.local =
            search::applyRemembered(search::readSources(database), rememberedSources(path));
    } catch (const std::exception&) {
        // No database to choose in: the dialog says that nothing can be chosen.
    }
    // A server that failed is asked again: the reader may have mended what its note named.
    for (const ServerSetting& server : servers().choice())
        servers().source(server.address).retry();
    servers().takeDatabases(servers().choice());
    choices.servers = servers().choice();
    const std::vector<std::u16string> before = search::rememberedForm(choices.local);
    const std::vector<std::u16string> serversBefore = rememberedServers(choices.servers);
    choices.groups = groups_.model();
    if (!::chooseDictionaries(instance_, window_, choices, servers(), dictionariesDialog_))
        return;
    takeGroups(std::move(choices.groups));
    if (rememberedServers(choices.servers) != serversBefore) {
        servers().choice() = std::move(choices.servers);
        // The page shown, with the servers chosen now.
        redrawServerPage();
    }
    if (choices.refusal != search::SourceView::Refusal::None ||
        search::rememberedForm(choices.local) == before)
        return; // nothing to read again
    chosenSources_[fullPathOf(path)] = search::rememberedForm(choices.local);
    // The list and the pages anew, on the term shown when it is still there.
    Glossary shown{{}, {}};
    std::wstring damage;
    if (!readDatabase(path, shown, damage).empty())
        return; // gone since it was opened: the window keeps what it shows
    // The page is made anew below.
    serverPage_.shown = false;
    const std::u16string term =
        shownEntry_ < glossary_.size() ? std::u16string(glossary_.term(shownEntry_)) : u"";
    glossary_ = std::move(shown);
    showDatabase(term);
    const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR)
        showTermInSearch(static_cast<std::size_t>(selected));
}

void GlossaryWindow::saveSourceChoices() const {
    saveServers();
    if (chosenSources_.empty())
        return;
    win32::Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kChoicesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [database, lines] : chosenSources_) {
        std::u16string text;
        for (const std::u16string& line : lines)
            text += line + u'\0';
        text += u'\0';
        RegSetValueExW(key.get(), database.c_str(), 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(text.data()),
                       static_cast<DWORD>(text.size() * sizeof(char16_t)));
    }
}
