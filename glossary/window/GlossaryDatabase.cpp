// Which database the window shows: the default, one named on the command line, one opened
// with Ctrl+O or dropped on the window.
#include "GlossaryWindow.h"
#include "Ids.h"
#include "WindowText.h"
#include "win32/ErrorText.h"

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

// Reads `path` into `into`: the reason it cannot be read as a database, or nothing. A file
// that opens but is damaged further on gives the terms read before the damage, and says where
// in `damage`.
std::wstring GlossaryWindow::readDatabase(const std::wstring& path, Glossary& into,
                                          std::wstring& damage) const {
    std::string failure, damaged;
    into = Glossary::load(utf8(path), {}, &failure, &damaged, sourceViewFor(path));
    damage = std::wstring(damaged.begin(), damaged.end());
    if (failure.empty())
        return std::wstring();
    std::wstring reason;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        reason = win32::systemMessage(GetLastError());
        if (reason.empty())
            reason = L"The file cannot be found.";
    } else {
        reason = std::wstring(failure.begin(), failure.end());
    }
    return reason;
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

void GlossaryWindow::loadGlossary() {
    std::wstring damage;
    const std::wstring path = databasePath();
    const std::wstring failure = readDatabase(path, glossary_, damage);
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
    // A missing default file is no error: the list stays empty. A file named by the user
    // that cannot be read is worth a word, once the window shows, in front of it.
    if (database_.empty() || (failure.empty() && damage.empty()))
        return;
    if (failure.empty()) {
        loadFailure_ = damagedText(path, damage);
    } else {
        // As for one opened with Ctrl+O: the window shows the default database instead, and
        // is not named after a file it cannot show.
        database_.clear();
        openedByUser_ = false;
        loadGlossary();
        loadFailure_ = cannotRead(path, failure) + L"\n\nThe glossary shows its own database (" +
                       databasePath() + L") instead.";
    }
    PostMessageW(window_, MSG_REPORT_LOAD_FAILURE, 0, 0);
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
    if (handedOver_.empty() || !IsWindowEnabled(window_))
        return;
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
    // One that cannot be read, or is damaged, leaves the one shown as it was, with its page
    // and history.
    Glossary other{{}, {}};
    std::wstring damage;
    const std::wstring failure = readDatabase(path, other, damage);
    if (!failure.empty() || !damage.empty()) {
        const std::wstring text =
            (failure.empty() ? damagedText(path, damage) : cannotRead(path, failure)) +
            L"\n\nThe database shown stays open.";
        MessageBoxW(window_, text.c_str(), kProductName, MB_OK | MB_ICONWARNING);
        return;
    }
    glossary_ = std::move(other);
    database_ = path;
    openedByUser_ = true;
    damageNote_.clear();
    showDatabase(std::u16string());
    const LRESULT selected = SendMessageW(terms_, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR)
        showTermInSearch(static_cast<std::size_t>(selected));
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
    if (GetOpenFileNameW(&dialog))
        openDatabase(path);
}

void GlossaryWindow::showDatabase(const std::u16string& restoreTerm) {
    history_.clear();
    shownEntry_ = static_cast<std::size_t>(-1);
    historyAt_ = 0;
    lastFrom_ = History::Other;
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
