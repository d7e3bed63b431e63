// Which database the window shows: the default, one named on the command line, one opened
// with Ctrl+O or dropped on the window.
#include "DatabaseFolder.h"
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"
#include "win32/ErrorText.h"

#include <commdlg.h>

#include <chrono>
#include <cwchar>
#include <optional>

namespace {

const wchar_t kDatabase[] = L"Dict.mdb";
// The window waits this long for the terms before it shows the note.
constexpr int kQuietReadMs = 50;
// Read first, while the rest comes: more than a screenful of the list.
constexpr std::size_t kFirstTerms = 1000;

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

// Why `path` cannot be read, as the load said or the system says of a missing file.
static std::wstring reasonFor(const std::wstring& path, const std::string& failure) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return std::wstring(failure.begin(), failure.end());
    std::wstring reason = win32::systemMessage(GetLastError());
    return reason.empty() ? L"The file cannot be found." : reason;
}

std::wstring GlossaryWindow::readDatabase(const std::wstring& path,
                                          const std::vector<search::SetMember>& members,
                                          const std::vector<std::u16string>& order,
                                          const std::optional<groups::Group>& group,
                                          DatabaseRead& into, std::size_t most) {
    // Outside the group shown is as if off.
    search::SetRead read =
        search::readSet(members, order, most,
                        [group](search::SourceChoice& choice) { groups::restrict(choice, group); });
    into.glossary = std::move(read.glossary);
    std::wstring failure;
    for (std::size_t part = 0; part < read.members.size(); ++part) {
        const Glossary::PartRead& outcome = read.reads[part];
        const std::string& memberPath = members[read.members[part]].path;
        const std::wstring wide = read.members[part] == 0 ? path : fromUtf8(memberPath);
        if (read.members[part] == 0) {
            into.damage = std::wstring(outcome.damage.begin(), outcome.damage.end());
            if (!outcome.failure.empty())
                failure = reasonFor(path, outcome.failure);
        } else if (!outcome.failure.empty()) {
            into.setProblems.emplace_back(wide, reasonFor(wide, outcome.failure));
        } else if (!outcome.damage.empty()) {
            into.setProblems.emplace_back(
                wide, std::wstring(outcome.damage.begin(), outcome.damage.end()) +
                          L"; only the terms before the damage are listed");
        }
    }
    return failure;
}

namespace {

std::wstring cannotRead(const std::wstring& path, const std::wstring& reason) {
    return L"The glossary cannot read this database:\n" + path + L"\n\n" + reason;
}

std::wstring damagedText(const std::wstring& path, const std::wstring& where) {
    return L"This database is damaged:\n" + path + L"\n\n" + where +
           L".\n\nInstall the glossary again, or open another database with Ctrl+O.";
}

std::u16string escaped(const std::wstring& raw) {
    std::u16string html;
    for (const wchar_t c : raw)
        html += c == L'&'   ? u"&amp;"
                : c == L'<' ? u"&lt;"
                : c == L'>' ? u"&gt;"
                            : std::u16string(1, char16_t(c));
    return html;
}

} // namespace

std::unique_ptr<BackgroundLoad<GlossaryWindow::DatabaseRead>>
GlossaryWindow::startReading(const std::wstring& path, std::size_t most, UINT done,
                             bool alone) const {
    const HWND window = window_;
    std::vector<search::SetMember> members = databases_.members(
        path, [this](const std::wstring& database) { return rememberedSources(database); });
    if (alone)
        members.resize(1);
    return std::make_unique<BackgroundLoad<DatabaseRead>>(
        [path, members = std::move(members), order = databases_.order(),
         group = groups_.model().shown(), most] {
            DatabaseRead read;
            try {
                read.failure = readDatabase(path, members, order, group, read, most);
            } catch (const std::exception&) {
                read.failure = L"The terms do not fit in the memory there is.";
            }
            return read;
        },
        [window, done] { PostMessageW(window, done, 0, 0); });
}

void GlossaryWindow::loadGlossary() {
    const std::wstring path = databasePath();
    const auto reader = [this, &path](std::size_t most, UINT done) {
        return startReading(path, most, done);
    };
    reading_ = reader(SIZE_MAX, MSG_DATABASE_READ);
    // A window that starts on the first term shows it, with a screenful of the list, long
    // before a large database is read to its end.
    firstTerms_.reset();
    if (startWord_.empty() && rememberedTerm().empty())
        firstTerms_ = reader(kFirstTerms, MSG_FIRST_TERMS_READ);
    // A small database is there before anyone could read a note about it: its terms are
    // taken at once, and the message that says they are in finds nothing more to take.
    if (reading_->waitFor(std::chrono::milliseconds(kQuietReadMs)))
        databaseRead();
    else
        setStatus(kReadingTerms, kReadingTermsSpoken);
}

void GlossaryWindow::firstTermsRead() {
    std::optional<DatabaseRead> read = firstTerms_ ? firstTerms_->take() : std::nullopt;
    firstTerms_.reset();
    // Only while the rest is still read, and nothing was typed meanwhile.
    if (!read || !reading_ || !read->failure.empty() || GetWindowTextLengthW(search_) > 0)
        return;
    glossary_ = std::move(read->glossary);
    showDatabase(std::u16string());
}

void GlossaryWindow::databaseRead() {
    std::optional<DatabaseRead> read = reading_ ? reading_->take() : std::nullopt;
    if (!read)
        return; // a database opened meanwhile took its place
    reading_.reset();
    firstTerms_.reset();
    if (rereading_) {
        rereading_ = false;
        rereadDone(std::move(*read));
        return;
    }
    if (!opening_.empty()) {
        databaseOpened(std::move(*read));
        return;
    }
    const std::wstring path = databasePath();
    // The page shown from the first terms, if one was: the same entry of the whole list.
    const std::u16string shown =
        shownEntry_ < glossary_.size() ? std::u16string(glossary_.term(shownEntry_)) : u"";
    glossary_ = std::move(read->glossary);
    const std::wstring& failure = read->failure;
    const std::wstring& damage = read->damage;
    // The terms read before any damage are listed, and every page says that the list is not
    // the whole database, without a box in the way.
    damageNote_.clear();
    if (!damage.empty())
        damageNote_ = u"<font face='MS Sans Serif' size=2 color=#A00000><b>This database is "
                      u"damaged:</b> " +
                      escaped(path) + u" (" + escaped(damage) + u"). Only the " +
                      escaped(std::to_wstring(glossary_.size())) +
                      u" terms read before the damage are listed. Install the glossary again, "
                      u"or open another database with Ctrl+O.</font><br><br>";
    databases_.setProblems(std::move(read->setProblems));
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
        loadGlossary();
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

void GlossaryWindow::rereadSet() {
    if (reading_ && !rereading_) {
        // The start's terms are read again through the set; another database's replace it.
        if (opening_.empty())
            loadGlossary();
        return;
    }
    // One read at a time: a choice made meanwhile is read once the one being read is in, and
    // any between the two is never read.
    if (reading_) {
        rereadDue_ = true;
        return;
    }
    rereadText_ = windowText(search_);
    rereading_ = true;
    reading_ = startReading(databasePath(), SIZE_MAX, MSG_DATABASE_READ);
    if (reading_->waitFor(std::chrono::milliseconds(kQuietReadMs)))
        databaseRead();
    else
        setStatus(kReadingTerms, kReadingTermsSpoken);
}

void GlossaryWindow::rereadDone(DatabaseRead read) {
    if (rereadDue_) {
        // Superseded: these terms are never shown.
        rereadDue_ = false;
        rereading_ = true;
        reading_ = startReading(databasePath(), SIZE_MAX, MSG_DATABASE_READ);
        return;
    }
    const bool announce = groupNoteDue_;
    groupNoteDue_ = false;
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
        // On the term shown, unless a word was typed meanwhile: that is searched instead.
        const std::u16string term =
            shownEntry_ < glossary_.size() ? std::u16string(glossary_.term(shownEntry_)) : u"";
        const bool typed = windowText(search_) != rereadText_;
        glossary_ = std::move(read.glossary);
        showDatabase(typed ? std::u16string() : term);
        const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
        if (announce)
            setStatus(groups_.note(), groups_.spokenNote());
        if (typed)
            searchChanged();
        else if (selected != LB_ERR)
            showTermInSearch(static_cast<std::size_t>(selected));
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
    if (reading_) {
        handedOver_.push_back(StartArguments{path, std::wstring(), false});
        return;
    }
    // The database shown stays, and answers, while the other one's terms are read.
    opening_ = path;
    openingText_ = windowText(search_);
    reading_ = startReading(path, SIZE_MAX, MSG_DATABASE_READ, true);
    if (reading_->waitFor(std::chrono::milliseconds(kQuietReadMs)))
        databaseRead();
    else
        setStatus(kReadingTerms, kReadingTermsSpoken);
}

void GlossaryWindow::databaseOpened(DatabaseRead read) {
    const std::wstring path = opening_;
    opening_.clear();
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
        const bool typed = windowText(search_) != openingText_;
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

void GlossaryWindow::showDatabase(const std::u16string& restoreTerm) {
    historyForDatabase();
    shownEntry_ = static_cast<std::size_t>(-1);
    entryHtml_.clear();
    setNoMatch(false);
    forgetSearches();
    fillList();
    showPage(u""); // about:blank
    // The term shown last time, else the first; selecting it shows it as a click would.
    const int remembered = restoreTerm.empty() ? -1 : glossary_.find(restoreTerm);
    if (SendMessageW(terms_, LB_SETCURSEL, static_cast<WPARAM>(remembered >= 0 ? remembered : 0),
                     0) != LB_ERR)
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
