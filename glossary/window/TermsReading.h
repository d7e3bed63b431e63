#pragma once

#include "BackgroundLoad.h"
#include "Glossary.h"
#include "groups/DictionaryGroups.h"
#include "search/DatabaseSet.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The terms of the databases shown, read on a thread of their own so that the window answers
// meanwhile: at the start (a screenful first, when the window starts on the first term), when
// the set or the group shown is chosen anew, and when another database is opened. One read at
// a time; the thread posts MSG_DATABASE_READ (MSG_FIRST_TERMS_READ for the screenful) to the
// window, which hands the message on here. True while terms are being read.
class TermsReading {
public:
    struct Read {
        Glossary glossary{{}, {}};
        std::wstring failure; // why the database cannot be read; empty when it can
        std::wstring damage;  // where it is damaged; the terms before are read
        std::vector<std::pair<std::wstring, std::wstring>> setProblems; // the added, left out
    };
    // What a read of the set takes, as chosen when it starts.
    struct Set {
        std::vector<search::SetMember> members; // the database first
        std::vector<std::u16string> order;      // of the dictionaries
        std::optional<groups::Group> group;     // outside it is as if off
    };
    struct Owner {
        std::function<Set(const std::wstring& path)> set; // read from `path`
        std::function<std::wstring()> path;               // the database shown
        std::function<bool()> firstTermsFirst; // the start shows the first term, not a word
        // Compared as a read comes in: a change is a word to search in the new terms.
        std::function<std::u16string()> searchText;
        std::function<void()> slow; // a read takes longer than a glance: the note says so
        std::function<void(Read read)> firstTerms; // while the rest is read
        std::function<void(Read read)> started;    // the start's terms, all of them
        // The set read anew; `announce`: the group's note follows the terms.
        std::function<void(Read read, bool typed, bool announce)> reread;
        std::function<void(const std::wstring& path, Read read, bool typed)> opened;
    };

    explicit TermsReading(Owner owner) : owner_(std::move(owner)) {}
    TermsReading(const TermsReading&) = delete;
    TermsReading& operator=(const TermsReading&) = delete;

    void attach(HWND window) { window_ = window; } // told when a read is in
    explicit operator bool() const { return reading_ != nullptr; }
    bool rereading() const { return rereading_; } // the set shown, read anew

    void start(); // the database shown, with the set
    // Another database alone, which replaces the set once read; the one shown stays and
    // answers meanwhile. Only while nothing is read.
    void open(const std::wstring& path);
    // The set or the group chosen anew, shown on the term shown once read; a choice made
    // meanwhile supersedes the one being read. True while terms are read: the note of a
    // group `announce`d is then the owner's to show.
    bool reread(bool announce = false);

    void read();           // MSG_DATABASE_READ
    void firstTermsRead(); // MSG_FIRST_TERMS_READ

private:
    using Load = BackgroundLoad<Read>;
    // `most` terms at most; with the databases added to `path` unless `alone`.
    std::unique_ptr<Load> load(const std::wstring& path, std::size_t most, UINT done,
                               bool alone = false) const;
    void awaitBriefly(); // a read that is in at once is taken without a note

    Owner owner_;
    HWND window_ = nullptr;
    std::unique_ptr<Load> reading_;
    std::unique_ptr<Load> firstTerms_; // the screenful, while reading_ reads the rest
    std::wstring opening_;             // the database opened, while its terms are read
    bool rereading_ = false, rereadDue_ = false;
    bool groupNoteDue_ = false;
    std::u16string textThen_; // the search text when the read of reread or open began
};
