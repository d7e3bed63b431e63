#pragma once

#include "DatabaseSet.h"
#include "DefinitionSearch.h"
#include "Glossary.h"
#include "GroupChoice.h"
#include "ListedTerms.h"
#include "LookUpHistory.h"
#include "OutsideLookUps.h"
#include "PageView.h"
#include "ServerPage.h"
#include "SetWordForms.h"
#include "Splitter.h"
#include "StartArguments.h"
#include "TermsReading.h"
#include "WindowText.h"
#include "win32/Gdi.h"
#include "win32/Handles.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The glossary's one window: search box, term list, page view, logo, Exit and version label.
class GlossaryWindow {
public:
    // Reads the database `start` names (else Dict.mdb, see databasePath) and looks up its word.
    // Null when the window cannot be created (the system's error is then the last error).
    static HWND create(HINSTANCE instance, int show, const StartArguments& start);

    // Keys that act wherever the focus is; true when `message` was one.
    static bool translateAccelerator(HWND window, MSG& message);

    static constexpr const wchar_t* kProductName = kGlossaryName;
    static constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

private:
    static constexpr const wchar_t* kSearchName = L"Search";
    // The status line while the terms are read, and what a screen reader says of it.
    static constexpr const wchar_t* kReadingTerms = L"Reading the terms\u2026";
    static constexpr const wchar_t* kReadingTermsSpoken =
        L"Reading the terms of the database. Type meanwhile: the search follows once they are in.";

    explicit GlossaryWindow(HINSTANCE instance) : instance_(instance) {}
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK searchProcedure(HWND search, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    // The list's and the logo's additions: the list's item texts, the logo's focus.
    static LRESULT CALLBACK controlProcedure(HWND control, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    void focusSearch();
    void paintNoMatchCue();
    void paintModeCue();
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool searchKey(WPARAM key);
    void moveSelection(int to);
    void onActivate(bool active);
    void createFonts();
    void onDpiChanged(int dpi, const RECT& suggested);

    void onCreate();
    void onCommand(int id, int code);
    void fillList();
    void setListItemHeight();
    void drawTerm(const DRAWITEMSTRUCT& item);
    void showSelected();
    void searchChanged();
    Glossary::Match matchFor(const std::u16string& text) const;
    // Says that nothing matches `text`; the page with the nearest terms follows once typing
    // pauses (showNoMatchPage, on a timer) and the sorted index is there.
    void showNoMatch(const std::u16string& text);
    void showNoMatchPage();
    std::u16string noMatchText_; // the search text whose page is due
    // The page of the term a typed key found: built once the keys pause (on a timer), or
    // before anything reads or uses the page, so that no key waits for an earlier key's page.
    void showWhenTypingPauses(std::size_t entry, const std::u16string& note);
    void showDuePage();
    void dropDuePage();
    void searchWhenIndexed();
    std::size_t dueEntry_ = kNoEntry;
    std::u16string dueNote_;
    bool typing_ = false; // the search box is handling a key
    // The term a word that no term begins with is a form of (SetWordForms).
    Glossary::Match wordFormMatch(const std::u16string& text, std::u16string& note) {
        return wordForms_.match(glossary_, text, note);
    }
    void setNoMatch(bool noMatch);
    // What a search that found nothing says: the word, or why no term is listed at all.
    std::u16string whyNoTerm(const std::u16string& escapedText);
    // Why the list is empty whatever is typed (the dictionaries chosen), or nothing.
    std::u16string whyNoTermListed(bool html);
    void showWhyNoTermListed(const std::wstring& note, const std::wstring& spokenNote);
    // How the list scrolls to a new selection: a search or a link puts it near the top, a key
    // that moves it by rows keeps a few rows below it.
    enum class ListScroll { NearTop, RowsBelow };
    void selectInList(int index, ListScroll scroll = ListScroll::NearTop);
    void showFollowingTerms(int index, ListScroll scroll);
    void redrawList();
    void openMakersPage();
    void showHelp(); // the keys and the search's syntax
    // Shows `html` under the note of a damaged database, if one is shown.
    void showPage(const std::u16string& html);
    // What each read of the terms brings (TermsReading).
    TermsReading::Owner readingOwner();
    void showFirstTerms(TermsReading::Read read);
    void startTermsRead(TermsReading::Read read);
    void rereadDone(TermsReading::Read read, bool typed, bool announce);
    void databaseOpened(const std::wstring& path, TermsReading::Read read, bool typed);
    TermsReading reading_{readingOwner()}; // true while terms are being read
    // The first page: the start's word, what was typed meanwhile, else `shown` (the term shown
    // from the first terms) or the last one shown.
    void showStart(const std::u16string& shown);
    void addDatabase(const std::wstring& path); // dropped with Ctrl or Shift held
    void openDatabase(const std::wstring& path);
    // The word as if typed in the search box and ended with Enter.
    void lookUp(const std::wstring& word);
    void takeHandedOver(); // what another start handed over, once no dialog is open
    void chooseDatabase();
    void showDatabase(const std::u16string& restoreTerm, bool select = true);
    std::wstring databasePath() const;
    void updateCaption();
    void chooseDictionaries();
    // The group of dictionaries shown, by the list or Ctrl+1 ... Ctrl+9 (GlossaryGroups.cpp).
    void pickGroup(std::size_t choice);
    bool takeGroups(groups::Groups made); // as the dialog left them: true when read anew
    void showGroup();
    GroupChoice groups_;
    // The DICT servers' part of the page (ServerPage.h).
    ServerPage::Owner serverOwner();
    void serversAnswered(const std::u16string& word); // their part is drawn
    ServerPage serverPage_{serverOwner()};
    ServerSources& servers() { return serverPage_.servers(); }
    HWND dictionariesDialog_ = nullptr; // while open, told of the servers' answers
    // Placement, zoom and the last term, per user.
    void restoreSettings(int show);
    void saveSettings() const;
    // What the start needs to know of the settings before the window exists.
    struct Remembered {
        bool settingsExisted = false; // the settings' key was there at the start
        bool installed = false;       // this program runs from the product's registered folder
        std::wstring database;        // opened by the user last time, and still there
    };
    static Remembered rememberedAtStart();
    void showTermInSearch(std::size_t index); // without searching for it
    std::u16string rememberedTerm() const;
    using History = LookUpHistory::From;
    // `note`: a note above the entry (why it was chosen), set with it as one page.
    void showEntry(std::size_t index, bool remember, History from = History::Other,
                   const std::u16string& note = std::u16string());
    void followLink(const std::u16string& target);
    void goThroughHistory(int step);
    std::wstring shownTerm() const; // empty on a page of suggestions
    int scaled(int twips) const;
    static RECT initialFrame(int dpi); // the designed size where the screen has room
    void limitSize(MINMAXINFO& limits) const;
    void setLogo();
    RECT designedPlace(int id) const; // where control `id` stands at the designed size
    HWND control(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id);
    void layout(int width, int height);
    // The splitter between the list and the page: twips added to the list's designed width,
    // kept within what leaves the page readable at `clientWidth` pixels.
    int clampedWidening(int twips, int clientWidth) const;
    static int designedListWidth(); // in twips
    void relayout();                // at the present size
    Splitter splitter_{[this](int twips, int width) { return clampedWidening(twips, width); },
                       [this] { relayout(); }};

    HINSTANCE instance_;
    HWND window_ = nullptr;
    bool ownedByWindow_ = false; // from a successful creation on, WM_NCDESTROY deletes it
    HWND focus_ = nullptr;       // the control that had the focus when the window was left
    WNDPROC searchDefault_ = nullptr;
    bool listRedrawPending_ = false;
    HWND search_ = nullptr, terms_ = nullptr, logoControl_ = nullptr;
    win32::Gdi<HFONT> font_, labelFont_, textFont_;
    win32::Gdi<HBITMAP> logo_;
    int dpi_ = 96;
    Glossary glossary_{{}, {}};
    std::wstring database_;                  // named on the command line or opened, else empty
    std::u16string entryHtml_;               // the last term's page, below the suggestions
    bool noMatch_ = false;                   // the search text matches no term
    std::wstring loadFailure_;               // why the named database cannot be read
    std::wstring startWord_;                 // the word of the command line, looked up at start
    std::vector<StartArguments> handedOver_; // by other starts, not yet taken
    std::u16string damageNote_;              // above every page while a damaged database is shown
    Remembered remembered_;
    mutable DatabaseSet databases_;  // added to the one shown (DatabaseSet.h)
    bool openedByUser_ = false;      // database_ was opened with Ctrl+O, dropped or reopened
    bool searchFromProgram_ = false; // the search box's text is being set by the window
    bool wordEnded_ = false;         // the next search starts an entry of the history

    // The search modes: terms by their beginning or by a pattern of `*` and `?`, or words in
    // the definitions, searched on a thread of their own.
    void setDefinitionsMode(bool on);
    void returnToTermSearch(); // Escape in definitions: the box emptied, every term listed
    void searchDefinitions(const std::u16string& text);
    void startDefinitionSearch(); // its thread, opening the database and reading ahead
    void takeSearchNews();
    void filterByWildcards(const std::u16string& text);
    void forgetSearches(); // a database was opened: every term listed, the term search
    // The list shows every term, or only `entries` (a pattern's or a search's finds).
    void setListed(std::vector<std::uint32_t> entries);
    void listEveryTerm();
    void setStatus(const std::wstring& shown, const std::wstring& spoken); // the line below
    void updateSearchName();
    void markFoundWords() { pageView_.markWords(definitions_.words()); } // after showEntry

    HWND inDefinitions_ = nullptr, status_ = nullptr;
    bool definitionsMode_ = false;
    ListedTerms listed_{glossary_};
    DefinitionSearch definitions_;
    std::wstring statusName_; // the status line's accessible name
    std::wstring findStatus_; // what the last find in the page said there
    DWORD lastSearchAt_ = 0;  // tick count of the last change of the search text
    std::size_t shownEntry_ = static_cast<std::size_t>(-1); // the entry on the page
    static constexpr std::size_t kNoEntry = LookUpHistory::kNoEntry;
    PageView pageView_;

    // The words looked up in the database shown and the favourites, kept per user
    // (GlossaryHistory.cpp); Ctrl+H and Ctrl+Shift+B list them, Ctrl+B adds or removes a word.
    void historyForDatabase();    // the history of the database about to be shown
    bool mayKeepSettings() const; // the product's settings may still be written
    void showRememberedInSearch();
    void toggleFavourite();
    void openHistoryList();
    void openFavourites();
    LookUpHistory lookUps_{[this] { return mayKeepSettings(); }};
    bool startPage_ = false; // the page a database opens on is being shown

    SetWordForms wordForms_{
        {[this] { return databases_.paths(databasePath()); },
         [this](const std::wstring& path) { return search::allOff(databases_.choice(path)); }}};

    // Look-ups from other programs: the window resolves their words (GlossaryLookup.cpp).
    // `whole` false: the page says what is still to come (the terms, the nearest terms).
    std::u16string lookupPage(const std::u16string& word, std::u16string& term, bool& whole);
    std::optional<std::u16string> wholeLookupPage(const std::u16string& word);
    bool popupAwaitsIndex_ = false;      // its page of no match lacks the nearest terms
    OutsideLookUps::Owner lookUpOwner(); // what the look-ups ask of the window
    OutsideLookUps outside_{lookUpOwner()};
};
