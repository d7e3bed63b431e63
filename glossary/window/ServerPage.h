#pragma once

#include "ServerSources.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The DICT servers on the page: a page with servers is `top`, their part for its word, then
// `bottom`, drawn again when they answer (their clients' threads post MSG_SERVER_NEWS to the
// window); nothing here waits for the network. The servers and their dictionaries are
// remembered per user, read at the first page.
class ServerPage {
public:
    struct Owner {
        std::function<HWND()> window;                             // told of the servers' news
        std::function<void(const std::u16string& html)> showPage; // clears `shown`
        std::function<void(const std::u16string& word)> showNoMatch;
        std::function<std::u16string()> searchText;
        // The page of `word` drawn anew with the servers' answer.
        std::function<void(const std::u16string& word)> redrawn;
        // Whether the group shown lets the server's dictionary in.
        std::function<bool(const std::u16string& address, const std::u16string& name)> lets;
    };

    explicit ServerPage(Owner owner) : owner_(std::move(owner)) {}
    ServerPage(const ServerPage&) = delete;
    ServerPage& operator=(const ServerPage&) = delete;

    ServerSources& servers();
    void ask(const std::u16string& word); // withdraws questions of other words
    // `noMatch`: a search that found no term, whose near matches may come too.
    void show(const std::u16string& top, const std::u16string& word, const std::u16string& bottom,
              bool noMatch);
    void takeNews();
    void redraw(); // the page shown, with what the servers have now
    void save() const;

    bool shown = false; // the page shown is this one: the window clears it for any other

private:
    Owner owner_;
    bool noMatch_ = false;
    std::u16string word_, top_, bottom_, part_; // part_: the servers' when it was drawn
    std::vector<std::u16string> nearby_;        // their near matches then, for a search in vain
    std::u16string asked_;                      // the word the servers were asked about last
    std::unique_ptr<ServerSources> servers_;
};
