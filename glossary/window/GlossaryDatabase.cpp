// Which database the window shows: the default, one named on the command line, one opened
// with Ctrl+O or dropped on the window; and what each read of its terms (TermsReading) brings.
#include "DatabaseFolder.h"
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"

#include <commdlg.h>

#include <cwchar>

namespace {

const wchar_t kDatabase[] = L"Dict.mdb";

} // namespace

std::wstring GlossaryWindow::databasePath() const {
    if (!database_.empty())
        return database_;
    // None named (or an empty name): the current directory first, as ever; then the program's
    // own directory.
    std::wstring path = kDatabase;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        wchar_t program[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring folder(program, length > 0 && length < MAX_PATH ? length : 0);
        folder.resize(
            folder.find_last_of(L'\\') == std::wstring::npos ? 0 : folder.find_last_of(L'\\') + 1);
        if (!folder.empty())
            path = folder + kDatabase;
    }
    return path;
}

namespace {

std::wstring cannotRead(const std::wstring& path, const std::wstring& reason) {
    return L"The glossary cannot read this database:\n" + path + L"\n\n" + reason;
}

std::wstring damagedText(const std::wstring& path, const std::wstring& where) {
    return L"This database is damaged:\n" + path + L"\n\n" + where +
           L".\n\nInstall the glossary again, or open another database with Ctrl+O.";
}

} // namespace

TermsReading::Owner GlossaryWindow::readingOwner() {
    return {[this](const std::wstring& path) {
                return TermsReading::Set{databases_.members(path), databases_.order(),
                                         groups_.model().shown()};
            },
            [this] { return databasePath(); },
            [this] { return startWord_.empty() && rememberedTerm().empty(); },
            [this] { return windowText(search_); },
            [this] { setStatus(kReadingTerms, kReadingTermsSpoken); },
            [this](TermsReading::Read read) { showFirstTerms(std::move(read)); },
            [this](TermsReading::Read read) { startTermsRead(std::move(read)); },
            [this](TermsReading::Read read, bool typed, bool announce) {
                rereadDone(std::move(read), typed, announce);
            },
            [this](const std::wstring& path, TermsReading::Read read, bool typed) {
                databaseOpened(path, std::move(read), typed);
            }};
}

void GlossaryWindow::showFirstTerms(TermsReading::Read read) {
    if (GetWindowTextLengthW(search_) > 0)
        return; // typed meanwhile: searched once all the terms are in
    glossary_ = std::move(read.glossary);
    showDatabase(std::u16string());
}

void GlossaryWindow::startTermsRead(TermsReading::Read read) {
    const std::wstring path = databasePath();
    // The page shown from the first terms, if one was: the same entry of the whole list.
    const std::u16string shown =
        shownEntry_ < glossary_.size() ? std::u16string(glossary_.term(shownEntry_)) : u"";
    glossary_ = std::move(read.glossary);
    const std::wstring& failure = read.failure;
    const std::wstring& damage = read.damage;
    // The terms read before any damage are listed, and every page says that the list is not
    // the whole database, without a box in the way.
    damageNote_.clear();
    if (!damage.empty())
        damageNote_ = u"<font face='MS Sans Serif' size=2 color=#A00000><b>This database is "
                      u"damaged:</b> " +
                      escapeHtml(path) + u" (" + escapeHtml(damage) + u"). Only the " +
                      escapeHtml(std::to_wstring(glossary_.size())) +
                      u" terms read before the damage are listed. Install the glossary again, "
                      u"or open another database with Ctrl+O.</font><br><br>";
    databases_.setProblems(std::move(read.setProblems));
    // A missing default file is no error: the list stays empty. A file named by the user
    // that cannot be read is worth a word, once the window shows, in front of it.
    if (!database_.empty() && !failure.empty()) {
        // As for one opened with Ctrl+O: the window shows the default database instead, and
        // is not named after a file it cannot show.
        database_.clear();
        openedByUser_ = false;
        loadFailure_ = cannotRead(path, failure) + L"\n\nThe glossary shows its own database (" +
                       databasePath() + L") instead.";
        PostMessageW(window_, MSG_REPORT_LOAD_FAILURE, 0, 0);
        reading_.start();
        return;
    }
    if (!database_.empty() && !damage.empty()) {
        loadFailure_ = damagedText(path, damage);
        PostMessageW(window_, MSG_REPORT_LOAD_FAILURE, 0, 0);
    }
    setStatus(L"", L"");
    showStart(shown);
    if (!handedOver_.empty())
        PostMessageW(window_, MSG_TAKE_HANDED_OVER, 0, 0);
}

void GlossaryWindow::rereadDone(TermsReading::Read read, bool typed, bool announce) {
    setStatus(L"", L"");
    // The database opened, gone since: the others of the set are shown, with a note that names
    // it on the page, as at the start.
    if (!read.failure.empty() && read.glossary.size() > 0) {
        read.setProblems.emplace_back(databasePath(), read.failure);
        read.failure.clear();
    }
    if (read.failure.empty()) {
        databases_.setProblems(std::move(read.setProblems));
        serverPage_.shown = false; // the page is made anew
        // On the term shown while the search box names it; else the reader's text is searched
        // in the new terms, as if typed again: never the first term in its place.
        const std::u16string term =
            shownEntry_ < glossary_.size() ? std::u16string(glossary_.term(shownEntry_)) : u"";
        const std::u16string text = windowText(search_);
        glossary_ = std::move(read.glossary);
        const bool onTerm = !term.empty() && text == term && glossary_.find(term) >= 0;
        const bool searched = typed || (!text.empty() && !onTerm);
        showDatabase(searched ? std::u16string() : term, !searched);
        const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
        if (announce)
            setStatus(groups_.note(), groups_.spokenNote());
        if (searched)
            searchChanged();
        else if (selected != LB_ERR)
            showTermInSearch(static_cast<std::size_t>(selected));
        if (glossary_.size() == 0)
            showWhyNoTermListed(announce ? groups_.note() : L"",
                                announce ? groups_.spokenNote() : L"");
    } else {
        // Nothing of the set can be read now: the list stays as it was, and says so.
        const std::wstring path = databasePath();
        setStatus(L"Cannot read " + path.substr(path.find_last_of(L"\\/") + 1) +
                      L": the list is unchanged",
                  L"The glossary cannot read the database " + path + L": " + read.failure +
                      L" The list shows what it showed before. Open another database with "
                      L"Ctrl+O.");
    }
    if (!handedOver_.empty())
        PostMessageW(window_, MSG_TAKE_HANDED_OVER, 0, 0);
}

void GlossaryWindow::showStart(const std::u16string& shown) {
    // What the reader typed while the terms were read is searched now; else the start's word,
    // else the term shown last time.
    const bool typed = GetWindowTextLengthW(search_) > 0;
    const bool remembered = !typed && startWord_.empty() && shown.empty();
    const std::u16string restore = remembered ? rememberedTerm() : shown;
    showDatabase(typed || !startWord_.empty() ? std::u16string() : restore);
    if (typed)
        searchChanged();
    else if (!startWord_.empty())
        lookUp(startWord_);
    else if (remembered && !restore.empty())
        showRememberedInSearch();
    if (glossary_.size() == 0)
        showWhyNoTermListed(L"", L"");
    startWord_.clear();
}

void GlossaryWindow::lookUp(const std::wstring& word) {
    if (definitionsMode_)
        returnToTermSearch();
    // A word of its own in the history, searched as typing would.
    wordEnded_ = true;
    SetWindowTextW(search_, word.c_str());
    wordEnded_ = true;
}

void GlossaryWindow::takeHandedOver() {
    // Not while a box or dialog of the window is open: its answer may change what is shown.
    if (handedOver_.empty() || !IsWindowEnabled(window_) || reading_)
        return; // taken once the terms are in, too
    const StartArguments start = handedOver_.front();
    handedOver_.erase(handedOver_.begin());
    if (IsIconic(window_) || !IsWindowVisible(window_)) // hidden: only the icon was serving
        ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    if (!start.database.empty())
        openDatabase(start.database);
    if (!start.word.empty())
        lookUp(start.word);
    if (!handedOver_.empty())
        PostMessageW(window_, MSG_TAKE_HANDED_OVER, 0, 0);
}

void GlossaryWindow::openDatabase(const std::wstring& path) {
    // One at a time: another comes once the terms being read are in.
    if (reading_)
        handedOver_.push_back(StartArguments{path, std::wstring(), false});
    else
        reading_.open(path);
}

void GlossaryWindow::databaseOpened(const std::wstring& path, TermsReading::Read read, bool typed) {
    setStatus(L"", L"");
    if (!read.failure.empty() || !read.damage.empty()) {
        // One that cannot be read, or is damaged, leaves the one shown as it was, with its
        // page and history.
        const std::wstring text = (read.failure.empty() ? damagedText(path, read.damage)
                                                        : cannotRead(path, read.failure)) +
                                  L"\n\nThe database shown stays open.";
        MessageBoxW(window_, text.c_str(), kProductName, MB_OK | MB_ICONWARNING);
    } else {
        // A word handed over meanwhile is in the search box: searched in the new terms.
        glossary_ = std::move(read.glossary);
        database_ = path;
        openedByUser_ = true;
        damageNote_.clear();
        databases_.setAdded({}); // another database replaces the set
        databases_.setProblems({});
        showDatabase(std::u16string());
        const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
        if (typed)
            searchChanged();
        else if (selected != LB_ERR)
            showTermInSearch(static_cast<std::size_t>(selected));
    }
    if (!handedOver_.empty())
        PostMessageW(window_, MSG_TAKE_HANDED_OVER, 0, 0);
}

void GlossaryWindow::chooseDatabase() {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = L"Jet databases (*.mdb)\0*.mdb\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"mdb";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    const std::wstring folder = databaseDialogFolder(databasePath());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    if (!GetOpenFileNameW(&dialog))
        return;
    rememberDatabaseFolder(path, mayKeepSettings());
    openDatabase(path);
}

void GlossaryWindow::showDatabase(const std::u16string& restoreTerm, bool select) {
    historyForDatabase();
    shownEntry_ = static_cast<std::size_t>(-1);
    entryHtml_.clear();
    setNoMatch(false);
    forgetSearches();
    fillList();
    showPage(u""); // about:blank
    // The term shown last time, else the first; selecting it shows it as a click would. Not
    // when a search is to choose.
    const int remembered = restoreTerm.empty() ? -1 : glossary_.find(restoreTerm);
    if (select && SendMessageW(terms_, LB_SETCURSEL,
                               static_cast<WPARAM>(remembered >= 0 ? remembered : 0), 0) != LB_ERR)
        showSelected();
    startPage_ = false;
    updateCaption();
}

void GlossaryWindow::updateCaption() {
    // The file is named after the product unless it is the default one.
    const std::wstring path = databasePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::wstring caption = _wcsicmp(name.c_str(), kDatabase) == 0
                                     ? std::wstring(kProductName)
                                     : std::wstring(kProductName) + L" - " + name;
    SetWindowTextW(window_, caption.c_str());
}
