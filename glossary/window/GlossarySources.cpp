// The dictionaries the window shows: the user's choice of the databases and their sources, in
// the dialog (the "Dictionaries..." button, Ctrl+D), kept in DatabaseSet.
#include "DictionariesDialog.h"
#include "GlossaryWindow.h"
#include "WindowText.h"

#include "jet/Database.h"

namespace {

// A database's dictionaries as the dialog lists them; false and why when it cannot be read.
bool readChoice(const std::wstring& path, const std::vector<std::u16string>& remembered,
                DatabaseChoice& into, std::wstring& why) {
    into.path = fullDatabasePath(path);
    into.refusal = search::SourceView::Refusal::NoSources;
    try {
        const jet::Database database = jet::Database::open(utf8(into.path));
        into.refusal = search::SourceView::refusal(database);
        into.sources = search::applyRemembered(search::readSources(database), remembered);
        return true;
    } catch (const std::exception& error) {
        why = fromUtf8(error.what());
        return false;
    }
}

std::vector<search::SourceChoice> sourcesOf(const std::vector<DatabaseChoice>& databases) {
    std::vector<search::SourceChoice> sources;
    for (const DatabaseChoice& database : databases)
        sources.push_back(database.sources);
    return sources;
}

// What the set is remembered as: each database's choice, the added ones and the order.
struct SetForm {
    std::vector<std::vector<std::u16string>> choices;
    std::vector<std::wstring> added;
    std::vector<std::u16string> order;
    bool operator==(const SetForm& other) const {
        return choices == other.choices && added == other.added && order == other.order;
    }
};

SetForm formOf(const DictionaryChoices& choices) {
    SetForm form;
    std::vector<search::SourceChoice> sources = sourcesOf(choices.databases);
    form.order = search::namesInOrder(sources, choices.order);
    search::followOrder(sources, choices.order);
    for (std::size_t d = 0; d < sources.size(); ++d) {
        form.choices.push_back(search::rememberedForm(sources[d]));
        if (d > 0)
            form.added.push_back(choices.databases[d].path);
    }
    return form;
}

} // namespace

void GlossaryWindow::chooseDictionaries() {
    if (reading_ && !reading_.rereading())
        return; // the choice applies to terms that are not in yet
    const std::wstring path = databasePath();
    DictionaryChoices choices;
    choices.readDatabase = [this](const std::wstring& file, DatabaseChoice& into,
                                  std::wstring& why) {
        return readChoice(file, databases_.choice(file), into, why);
    };
    for (const std::wstring& database : databases_.paths(path)) {
        DatabaseChoice choice;
        std::wstring why;
        if (!readChoice(database, databases_.choice(database), choice, why) && database != path) {
            choice.unreadable = why; // listed, so that it can be removed
            choice.refusal = search::SourceView::Refusal::NoSources;
        }
        choices.databases.push_back(std::move(choice));
    }
    choices.order = search::placesInOrder(sourcesOf(choices.databases), databases_.order());
    // A server that failed is asked again: the reader may have mended what its note named.
    for (const ServerSetting& server : servers().choice())
        servers().source(server.address).retry();
    servers().takeDatabases(servers().choice());
    choices.servers = servers().choice();
    const SetForm before = formOf(choices);
    const std::vector<std::u16string> serversBefore = rememberedServers(choices.servers);
    choices.groups = groups_.model();
    choices.mayKeepSettings = mayKeepSettings();
    if (!::chooseDictionaries(instance_, window_, choices, servers(), dictionariesDialog_))
        return;
    if (rememberedServers(choices.servers) != serversBefore) {
        servers().choice() = std::move(choices.servers);
        // The page shown, with the servers chosen now.
        serverPage_.redraw();
    }
    const SetForm after = formOf(choices);
    const bool setChanged = !(after == before);
    if (setChanged) {
        for (std::size_t d = 0; d < choices.databases.size(); ++d) {
            if (choices.databases[d].refusal == search::SourceView::Refusal::None)
                databases_.setChoice(choices.databases[d].path, after.choices[d]);
        }
        databases_.setAdded(after.added);
        databases_.setOrder(after.order);
    }
    // One read for both: a group shown anew reads the set as chosen now.
    if (!takeGroups(std::move(choices.groups)) && setChanged)
        reading_.reread();
}

void GlossaryWindow::addDatabase(const std::wstring& path) {
    if (reading_ && !reading_.rereading()) {
        MessageBeep(MB_ICONWARNING);
        return; // the terms being read come first
    }
    DatabaseChoice choice;
    std::wstring why;
    if (!readChoice(path, {}, choice, why)) {
        const std::wstring text = L"The glossary cannot add this database:\n" + path + L"\n\n" +
                                  why +
                                  L"\n\nThe databases shown stay as they are. Drop a database "
                                  L"that dictbuild wrote.";
        MessageBoxW(window_, text.c_str(), kProductName, MB_OK | MB_ICONWARNING);
        return;
    }
    if (databases_.add(path, databasePath()))
        reading_.reread();
}
